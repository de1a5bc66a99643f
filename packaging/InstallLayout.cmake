# Where an installation puts the product, relative to its prefix (Debian's layout under /usr):
#   bin/velloway                              the command
#   lib/<triplet>/velloway/                   the platform's and the command's libraries, the
#                                             two deliverables, VLW.bundle, PreferenceLoader/
#   share/velloway/                           fonts and data
# The code finds each from where it lies itself (platform/fs/ProgramFiles), through the relative
# paths below, so an installation can sit under any prefix and be moved whole.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(VELLOWAY_INSTALL_LIBRARY_FOLDER lib/${CMAKE_LIBRARY_ARCHITECTURE}/velloway)
else()
  set(VELLOWAY_INSTALL_LIBRARY_FOLDER lib/velloway)
endif()
set(VELLOWAY_INSTALL_DATA_FOLDER share/velloway)
file(RELATIVE_PATH VELLOWAY_LIBRARY_FROM_BINARY /prefix/bin /prefix/${VELLOWAY_INSTALL_LIBRARY_FOLDER})
file(RELATIVE_PATH VELLOWAY_DATA_FROM_LIBRARY /prefix/${VELLOWAY_INSTALL_LIBRARY_FOLDER} /prefix/${VELLOWAY_INSTALL_DATA_FOLDER})

# Installed files carry no debug information: installing strips them unless asked otherwise
# (cmake --install's --strip does the same for one run). The build tree keeps its own.
option(VELLOWAY_INSTALL_DEBUG_INFO "Keep debug information in installed binaries" OFF)
if(NOT VELLOWAY_INSTALL_DEBUG_INFO)
  install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)" ALL_COMPONENTS)
endif()
