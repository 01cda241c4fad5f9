# Every library the program stands on, found through pkg-config.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(OpenGL REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(GLEW REQUIRED IMPORTED_TARGET glew)
pkg_check_modules(SQUIRREL REQUIRED IMPORTED_TARGET squirrel3)
pkg_check_modules(FAUDIO REQUIRED IMPORTED_TARGET FAudio)
pkg_check_modules(GST REQUIRED IMPORTED_TARGET gstreamer-1.0 gstreamer-app-1.0
  gstreamer-video-1.0)
pkg_check_modules(HIREDIS REQUIRED IMPORTED_TARGET hiredis)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
find_program(SQUIRREL_COMPILER squirrel3 REQUIRED)
