#include "base/errors.h"

#include <exception>
#include <new>
#include <stdexcept>

VgxError::VgxError(int32_t number, std::string source, std::string description)
    : Number(number), Source(std::move(source)), Description(std::move(description)) {
    message_ = "Error " + std::to_string(Number) + " (" + Source + "): " + Description;
}

namespace vgx {

std::string_view DescribeError(int32_t number) {
    switch (number) {
        case VgxErrInvalidCall: return "Invalid procedure call or argument";
        case VgxErrOverflow: return "Overflow";
        case VgxErrOutOfMemory: return "Out of memory";
        case VgxErrSubscript: return "Subscript out of range";
        case VgxErrDivisionByZero: return "Division by zero";
        case VgxErrTypeMismatch: return "Type mismatch";
        case VgxErrInternal: return "Internal error";
        case VgxErrFileNotFound: return "File not found";
        case VgxErrPermissionDenied: return "Permission denied";
        case VgxErrPathFileAccess: return "Path/File access error";
        case VgxErrPathNotFound: return "Path not found";
        case VgxErrObjectNotSet: return "Object variable or With block variable not set";
        case VgxErrInvalidFileFormat: return "Invalid file format";
        case VgxErrNotSupported: return "Object doesn't support this action";
        default: return "Application-defined or object-defined error";
    }
}

void Raise(int32_t number, std::string_view source) { Raise(number, source, DescribeError(number)); }

void Raise(int32_t number, std::string_view source, std::string_view description) {
    throw VgxError(number, std::string(source), std::string(description));
}

void Reraise(std::string_view source) {
    try {
        throw;
    } catch (const VgxError& error) {
        Raise(error.Number, source, error.Description);
    } catch (const std::bad_alloc&) {
        Raise(VgxErrOutOfMemory, source);
    } catch (const std::length_error&) {
        Raise(VgxErrOutOfMemory, source);
    } catch (const std::out_of_range&) {
        Raise(VgxErrSubscript, source);
    } catch (const std::overflow_error&) {
        Raise(VgxErrOverflow, source);
    } catch (const std::exception& other) {
        Raise(VgxErrInternal, source, other.what());
    } catch (...) {
        Raise(VgxErrInternal, source);
    }
}

}  // namespace vgx
