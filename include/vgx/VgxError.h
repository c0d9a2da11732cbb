#pragma once
// The one exception type of the library: a run-time error number, the class or
// module that raised it, and its description.
#include <cstdint>
#include <exception>
#include <string>

class VgxError : public std::exception {
public:
    VgxError(int32_t number, std::string source, std::string description);

    const char* what() const noexcept override { return message_.c_str(); }

    int32_t Number;
    std::string Source;
    std::string Description;

private:
    std::string message_;
};

// Every public operation raises 5 with its usual source, before it changes anything,
// when a float it is given (alone, in a record or in a list) is NaN or infinite.

// Error numbers of the classic run-time table that the library raises.
enum VgxErrorNumber : int32_t {
    VgxErrInvalidCall = 5,
    VgxErrOverflow = 6,
    VgxErrOutOfMemory = 7,
    VgxErrSubscript = 9,
    VgxErrDivisionByZero = 11,
    VgxErrTypeMismatch = 13,
    VgxErrInternal = 51,
    VgxErrFileNotFound = 53,
    VgxErrPermissionDenied = 70,
    VgxErrPathFileAccess = 75,
    VgxErrPathNotFound = 76,
    VgxErrObjectNotSet = 91,
    VgxErrInvalidFileFormat = 321,
    VgxErrNotSupported = 445,
};
