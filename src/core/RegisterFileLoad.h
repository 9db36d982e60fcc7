#pragma once

#include <string>

#include "RegisterSettings.h"
#include "SafeFileRead.h"

// The registers file named by the operator, read and parsed: both front ends of the
// commissioning line take it the same way.
namespace tavo {

struct RegisterFileLoad {
    FileRead file;            // TooLarge above kMaxRegisterFileBytes
    RegisterFileRead parsed;  // when the file was read
    bool ok() const { return file.ok() && !parsed.problem; }
};

RegisterFileLoad loadRegisterFile(const std::string& path);

}  // namespace tavo
