# cmake --install: a normal prefix that runs from itself alone.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(tarsel PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  # ONNX Runtime is installed beside the library.
  INSTALL_RPATH "$ORIGIN")
install(TARGETS tarsel LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/tarsel/tarsel.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarsel)

# The ONNX Runtime release the library was linked against, under its soname.
get_filename_component(TARSEL_ORT_REAL "${TARSEL_ORT_LIBRARY}" REALPATH)
get_filename_component(TARSEL_ORT_REAL_NAME "${TARSEL_ORT_REAL}" NAME)
install(FILES "${TARSEL_ORT_REAL}" DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(CODE "file(CREATE_LINK \"${TARSEL_ORT_REAL_NAME}\"
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/libonnxruntime.so.1\" SYMBOLIC)")

if(TARGET tarsel-host)
  set_target_properties(tarsel-host PROPERTIES INSTALL_RPATH "")
  install(TARGETS tarsel-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES "${TARSEL_MODEL_DIR}/colour.onnx" tools/config-server/tarsel_config_server.py
    DESTINATION ${CMAKE_INSTALL_DATADIR}/tarsel)
endif()

configure_file(cmake/package/tarselConfig.cmake.in "${CMAKE_BINARY_DIR}/package/tarselConfig.cmake" @ONLY)
write_basic_package_version_file("${CMAKE_BINARY_DIR}/package/tarselConfigVersion.cmake"
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES "${CMAKE_BINARY_DIR}/package/tarselConfig.cmake"
  "${CMAKE_BINARY_DIR}/package/tarselConfigVersion.cmake"
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tarsel)
configure_file(cmake/package/tarsel.pc.in "${CMAKE_BINARY_DIR}/package/tarsel.pc" @ONLY)
install(FILES "${CMAKE_BINARY_DIR}/package/tarsel.pc" DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
