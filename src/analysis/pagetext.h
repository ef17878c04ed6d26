#pragma once
// Turning a page file's bytes into the text the engine scans.
#include <string>
#include <string_view>

namespace tavlori {

// The page text: a leading UTF-8 byte-order mark dropped, decoded as strict
// UTF-8, cut at the first U+0000, every line break (CR LF, CR, LF) made CR LF and
// a non-empty text ended with CR LF. Bytes that are not well-formed UTF-8 are
// decoded with ICU from the encoding the page declares: UTF-8 after a UTF-8
// byte-order mark, UTF-16 after a UTF-16 one, else a meta charset within the
// first 1024 bytes. A page that declares nothing ICU can open is decoded from
// the encoding ICU's charset detector names for its bytes, or as ISO-8859-1
// when it names none ICU can open. Sequences an encoding does not define
// become U+FFFD. The result is UTF-8.
std::string pageTextFromBytes(std::string_view bytes);
// The same into `text`, whose earlier contents are replaced and whose
// capacity is reused (one buffer for a whole pass over the pages).
void pageTextFromBytes(std::string_view bytes, std::string &text);
// The same text without copying bytes that already hold it: well-formed
// UTF-8 (after any UTF-8 byte-order mark) whose lines, up to any U+0000, all
// end in CR LF, the last one too. Then the result is a view into `bytes` and
// `text` is emptied; otherwise `text` is written as above and the result is
// a view of it. The view is valid while both live and neither changes.
std::string_view pageTextView(std::string_view bytes, std::string &text);

} // namespace tavlori
