# qz_glob_sources(<var> <dir>...): every .cpp/.c under the folders, re-globbed
# at build time so new files join their library without editing lists.
function(qz_glob_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
