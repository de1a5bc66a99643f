# Where an installation puts the product, relative to its prefix (Debian's layout under /usr):
#   bin/velloway                              the command
#   lib/<triplet>/velloway/                   the platform's and the command's libraries, the
#                                             two deliverables, VLW.bundle, PreferenceLoader/
#   lib/<triplet>/libvelloway-colorart.so.1   the colour library (and its pkgconfig/, cmake/)
#   include/velloway-colorart.h{,pp}          its headers
#   lib/python3/dist-packages/velloway/       the Python module
#   share/velloway/                           fonts and data
# The code finds each from where it lies itself (platform/fs/ProgramFiles), through the relative
# paths below, so an installation can sit under any prefix and be moved whole.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(VELLOWAY_INSTALL_LIBRARY_FOLDER lib/${CMAKE_LIBRARY_ARCHITECTURE}/velloway)
else()
  set(VELLOWAY_INSTALL_LIBRARY_FOLDER lib/velloway)
endif()
set(VELLOWAY_INSTALL_DATA_FOLDER share/velloway)
# The colour library and its Python module are for other programs, so they go where those look
# on Debian rather than into the private folder: the library, its .pc file and CMake package under
# lib/<triplet> (the dynamic linker's, pkg-config's and CMake's own place, under /usr and
# /usr/local alike), the module into python3's dist-packages (Debian's python3 searches
# /usr/lib/python3/dist-packages; for another prefix, set PYTHONPATH or this folder).
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(VELLOWAY_INSTALL_PUBLIC_LIBRARY_FOLDER lib/${CMAKE_LIBRARY_ARCHITECTURE})
else()
  set(VELLOWAY_INSTALL_PUBLIC_LIBRARY_FOLDER lib)
endif()
set(VELLOWAY_INSTALL_PYTHON_FOLDER lib/python3/dist-packages CACHE STRING
    "Where the Python package velloway is installed, relative to the prefix")
file(RELATIVE_PATH VELLOWAY_LIBRARY_FROM_BINARY /prefix/bin /prefix/${VELLOWAY_INSTALL_LIBRARY_FOLDER})
file(RELATIVE_PATH VELLOWAY_DATA_FROM_LIBRARY /prefix/${VELLOWAY_INSTALL_LIBRARY_FOLDER} /prefix/${VELLOWAY_INSTALL_DATA_FOLDER})
file(RELATIVE_PATH VELLOWAY_PUBLIC_LIBRARY_FROM_PYTHON /prefix/${VELLOWAY_INSTALL_PYTHON_FOLDER}/velloway
     /prefix/${VELLOWAY_INSTALL_PUBLIC_LIBRARY_FOLDER})

# Installed files carry no debug information: installing strips them unless asked otherwise
# (cmake --install's --strip does the same for one run). The build tree keeps its own.
option(VELLOWAY_INSTALL_DEBUG_INFO "Keep debug information in installed binaries" OFF)
if(NOT VELLOWAY_INSTALL_DEBUG_INFO)
  install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)" ALL_COMPONENTS)
endif()
