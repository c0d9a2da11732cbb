#pragma once
// The two spellings of a .x body, seen through one interface so the reader is
// written once, as a template over the tokenizer (xfile_text_tokens.h,
// xfile_binary_tokens.h) whose number reads then inline.
//   Peek()      what comes next, without taking it; blanks, comments and
//               separators are passed over.
//   Take*()     one item; FormatError, with the place in the file, when the item
//               is not what was asked for.
//   Skip()      whatever Peek() saw; SkipValues() a whole run of numbers.
//   Remaining() bytes left, which with kMinBytesPerValue bounds any count.
#include <cstdint>

namespace vgx::xfile {

enum class Token : uint8_t { Name, String, Number, Guid, OBrace, CBrace, Template, Other, End };

}  // namespace vgx::xfile
