// The low 32 bits of a pointer, for the log lines' "0x%X".
#pragma once

#include <cstdint>

inline unsigned LogPtr(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }
