#include "classifier/model_path.h"

namespace tarsel {

ModelPath MakeModelPath(const std::string& bytes) {
    return bytes;
}

}  // namespace tarsel
