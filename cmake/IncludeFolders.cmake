# velloway_include_folders(TARGET PUBLIC|PRIVATE|INTERFACE FOLDER...): TARGET sees "FOLDER/X.hpp"
# for exactly these folders of the repository and no others. As the platform's tiers do
# (platform/CMakeLists.txt), each target gets an include folder of its own in the build tree,
# include/<target>/ (include/<target>-private/ for PRIVATE ones), holding links to just those
# source folders; with PUBLIC or INTERFACE, what links the target sees them too. An include of a
# folder that nothing linked gives is "No such file or directory" instead of quietly reaching
# across the tree. Call it once per target and scope: each call makes that include folder anew,
# so that a folder dropped from the list is gone from it too.
function(velloway_include_folders target scope)
  set(include ${CMAKE_BINARY_DIR}/include/${target})
  if(scope STREQUAL "PRIVATE")
    set(include ${include}-private)
  endif()
  file(REMOVE_RECURSE ${include})  # removes the links, not what they point to
  foreach(folder IN LISTS ARGN)
    if(NOT IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${folder})
      message(FATAL_ERROR "velloway_include_folders(${target}): no folder ${folder}")
    endif()
    get_filename_component(parent ${include}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${include}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${include})
endfunction()
