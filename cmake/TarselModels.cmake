# The ONNX models of the tests, the benchmarks and the demo: generated at
# build time, not committed.
set(TARSEL_MODEL_DIR "${CMAKE_BINARY_DIR}/models")
set(TARSEL_MODELS "${TARSEL_MODEL_DIR}/colour.onnx" "${TARSEL_MODEL_DIR}/reference.onnx"
    "${TARSEL_MODEL_DIR}/wrong_input.onnx" "${TARSEL_MODEL_DIR}/wrong_type.onnx"
    "${TARSEL_MODEL_DIR}/empty_output.onnx")
add_custom_command(OUTPUT ${TARSEL_MODELS}
  COMMAND "${TARSEL_DEBIAN_PYTHON}" "${PROJECT_SOURCE_DIR}/tests/models/make_models.py" "${TARSEL_MODEL_DIR}"
  DEPENDS "${PROJECT_SOURCE_DIR}/tests/models/make_models.py"
  COMMENT "Generating the test models")
add_custom_target(tarsel_models ALL DEPENDS ${TARSEL_MODELS})

