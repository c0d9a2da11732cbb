#pragma once
// Raising and re-raising VgxError: the one place that knows the run-time error
// table and how standard exceptions map onto it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <vgx/VgxError.h>

#include "base/large_blocks.h"

namespace vgx {

// Source of run-time errors raised outside any class or module trap.
inline constexpr std::string_view kRuntimeSource = "VorlanSG";

// The classic description of an error number ("Subscript out of range" for 9).
std::string_view DescribeError(int32_t number);

[[noreturn]] void Raise(int32_t number, std::string_view source = kRuntimeSource);
[[noreturn]] void Raise(int32_t number, std::string_view source, std::string_view description);

// Re-raises the exception being handled with `source`, number and description
// unchanged; standard exceptions become their run-time error numbers first.
[[noreturn]] void Reraise(std::string_view source);

// Runs `body`; any error leaving it is re-raised with `source`.
template <class Body>
decltype(auto) Trap(std::string_view source, Body&& body) {
    blocks::CallInProgress call;
    try {
        return body();
    } catch (...) {
        Reraise(source);
    }
}

// Checked array access: 9 when index is outside 0..size-1.
inline size_t CheckIndex(int64_t index, size_t size) {
    if (index < 0 || static_cast<uint64_t>(index) >= size) Raise(VgxErrSubscript);
    return static_cast<size_t>(index);
}

template <class Container>
decltype(auto) At(Container& container, int64_t index) {
    return container[CheckIndex(index, container.size())];
}

}  // namespace vgx
