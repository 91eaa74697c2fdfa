// The host's model path bytes in ONNX Runtime's path type.
#ifndef TARSEL_CLASSIFIER_MODEL_PATH_H
#define TARSEL_CLASSIFIER_MODEL_PATH_H

#include <string>

#include "classifier/scene_classifier.h"

namespace tarsel {

// Elsewhere than Windows the bytes as they are. On Windows the bytes read as
// UTF-8 when they are valid UTF-8, else in the ANSI code page; when both
// readings are valid and differ, the one that names an existing file wins
// (UTF-8 when neither does).
ModelPath MakeModelPath(const std::string& bytes);

}  // namespace tarsel

#endif  // TARSEL_CLASSIFIER_MODEL_PATH_H
