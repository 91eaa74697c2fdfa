# Finds what scripts/bootstrap installs. ONNX Runtime and stb come from the
# bootstrap prefix: the next Debian release's onnxruntimeConfig.cmake names the
# wrong library, so headers and library are found by hand.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb xcb-shm)
pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
add_library(tarsel_jsoncpp INTERFACE)
target_link_libraries(tarsel_jsoncpp INTERFACE PkgConfig::JSONCPP)
find_package(CURL REQUIRED)
find_package(JPEG REQUIRED)

find_path(TARSEL_STB_INCLUDE_DIR stb_image_resize2.h
  PATHS "${TARSEL_DEPS_PREFIX}/include/stb" NO_DEFAULT_PATH REQUIRED)
add_library(tarsel_stb INTERFACE)
target_include_directories(tarsel_stb SYSTEM INTERFACE "${TARSEL_STB_INCLUDE_DIR}")

find_path(TARSEL_ORT_INCLUDE_DIR onnxruntime_cxx_api.h
  PATHS "${TARSEL_DEPS_PREFIX}/include/onnxruntime" NO_DEFAULT_PATH REQUIRED)
find_library(TARSEL_ORT_LIBRARY NAMES onnxruntime
  PATHS "${TARSEL_DEPS_PREFIX}/lib" NO_DEFAULT_PATH REQUIRED)
add_library(tarsel_onnxruntime SHARED IMPORTED)
set_target_properties(tarsel_onnxruntime PROPERTIES
  IMPORTED_LOCATION "${TARSEL_ORT_LIBRARY}"
  IMPORTED_SONAME "libonnxruntime.so.1")
target_include_directories(tarsel_onnxruntime SYSTEM INTERFACE "${TARSEL_ORT_INCLUDE_DIR}")
get_filename_component(TARSEL_ORT_LIBRARY_DIR "${TARSEL_ORT_LIBRARY}" DIRECTORY)

find_program(TARSEL_XVFB Xvfb REQUIRED)
find_program(TARSEL_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
