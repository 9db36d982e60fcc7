#include "RegisterFileLoad.h"

namespace tavo {

RegisterFileLoad loadRegisterFile(const std::string& path) {
    RegisterFileLoad load;
    load.file = readFileSafely(path, FileReadOptions{.followLinks = true, .limit = kMaxRegisterFileBytes});
    if (load.file.ok())
        load.parsed = parseRegisterFile(
            std::string_view(reinterpret_cast<const char*>(load.file.bytes.data()), load.file.bytes.size()));
    return load;
}

}  // namespace tavo
