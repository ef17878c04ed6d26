#pragma once
// Every sentence tavlori-report prints: the report's headings, its usage and
// the wording of failures, which are values until they are printed here.
#include "analysis/errors.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tavlori::reporttexts {

// --- failures ---

// A failure's message, before the "." rule of the standard error text.
std::string failure(const Failure &failure);
// The reason for an operating-system error number (errno) met while entering
// a folder, in the window's words.
std::string folderError(int errorNumber);
// "<name>がありません。"
std::string missingPage(std::string_view name);

// --- the command line ---

std::string usage();
std::string usageAlternative(); // the second usage line: --help and --version
std::string termWithoutText();
std::string unknownOption(std::string_view option);
std::string secondFolder();
std::string noFolder();

// --- the readable report's headings, each followed by its value ---

inline constexpr std::string_view kBaseFolder = "基準フォルダ: ";
inline constexpr std::string_view kPageCount = "HTMLファイル数: ";
// "検索「TERM」を含むHTML: "
std::string pagesWithTerm(std::string_view term);
inline constexpr std::string_view kBrokenLinks = "リンク切れ: ";
inline constexpr std::string_view kUnrequestedPages = "リクエストされていないHTML: ";
inline constexpr std::string_view kMissingPages = "見つからないHTML: ";
inline constexpr std::string_view kRequestCount = "リクエスト数: ";
inline constexpr std::string_view kUnrequestedCount = "リクエストされていないHTMLの数: ";
inline constexpr std::string_view kStopped = "調査は途中で止まりました: ";
// Before each link of a page in the broken links.
inline constexpr std::string_view kLinkArrow = "    → ";

} // namespace tavlori::reporttexts
