#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

#include "root/errors.h"
#include "support/vgx_test.h"

namespace vgx {
namespace {

TEST(Errors, TrapKeepsNumberAndDescriptionAndTakesTheCallersSource) {
    test::ExpectVgxError([] { Trap("VgxGroup", [] { Raise(91, "modIndex", "Object is nothing"); }); }, 91, "VgxGroup",
                         "Object is nothing");
    // A nested trap hands its error on to the outer one unchanged but for the source.
    test::ExpectVgxError([] { Trap("Vgx", [] { Trap("VgxObject", [] { Raise(VgxErrOverflow); }); }); }, 6, "Vgx",
                         "Overflow");
}

TEST(Errors, StandardExceptionsBecomeTheirRunTimeNumbers) {
    test::ExpectVgxError([] { Trap("VgxObject", [] { throw std::bad_alloc(); }); }, 7, "VgxObject", "Out of memory");
    test::ExpectVgxError([] { Trap("VgxObject", [] { throw std::out_of_range("x"); }); }, 9, "VgxObject",
                         "Subscript out of range");
    test::ExpectVgxError([] { Trap("VgxObject", [] { throw std::overflow_error("x"); }); }, 6, "VgxObject",
                         "Overflow");
    test::ExpectVgxError([] { Trap("Vgx", [] { throw 42; }); }, 51, "Vgx", "Internal error");
}

TEST(Errors, TrapReturnsTheBodysValue) {
    EXPECT_EQ(Trap("Vgx", [] { return 7; }), 7);
    std::vector<int> values{1, 2};
    Trap("Vgx", [&]() -> int& { return values[1]; }) = 5;
    EXPECT_EQ(values[1], 5);
}

TEST(Errors, CheckedIndexingRaisesNineOutsideTheArray) {
    std::vector<int> values{10, 20, 30};
    EXPECT_EQ(At(values, 0), 10);
    EXPECT_EQ(At(values, 2), 30);
    test::ExpectVgxError([&] { At(values, 3); }, 9, "VorlanSG", "Subscript out of range");
    test::ExpectVgxError([&] { At(values, -1); }, 9, "VorlanSG", "Subscript out of range");
    std::vector<int> empty;
    test::ExpectVgxError([&] { At(empty, 0); }, 9, "VorlanSG", "Subscript out of range");
}

TEST(Errors, WhatNamesAllThree) {
    VgxError error(9, "Vgx", "Subscript out of range");
    EXPECT_STREQ(error.what(), "Error 9 (Vgx): Subscript out of range");
}

}  // namespace
}  // namespace vgx
