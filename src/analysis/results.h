#pragma once
// The results of the term search and the link investigation, as values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavlori {

// What the term search found in one page of the page list.
enum class SearchHit : unsigned char {
    NotSearched, // the page is not selected
    Found,       // the page holds the search term
    NotFound,    // the page does not hold it
    Missing,     // the page is gone from the folder
};

// The search column's text for a hit, as both programs show it: "found",
// "-" for a page without the term or gone, " " for a page not searched.
constexpr std::string_view searchHitText(SearchHit hit)
{
    switch (hit) {
    case SearchHit::Found:
        return "found";
    case SearchHit::NotFound:
    case SearchHit::Missing:
        return "-";
    case SearchHit::NotSearched:
        break;
    }
    return " ";
}

// A link whose target is missing, and the page that holds it.
struct BrokenLink {
    std::string page; // the page's name in the page list
    std::string link; // the link text as written

    bool operator==(const BrokenLink &) const = default;
};

// A list the engine appends to and empties. Views read the items in place;
// the reset revision tells a view that items were removed (items appended
// since it last looked are those past its count).
template <typename T>
class ResultList {
public:
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const T &operator[](std::size_t i) const { return items_[i]; }
    const std::vector<T> &items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    std::uint64_t resetRevision() const { return resetRevision_; }

    void clear()
    {
        items_.clear();
        ++resetRevision_;
    }
    void append(T item) { items_.push_back(std::move(item)); }

private:
    std::vector<T> items_;
    std::uint64_t resetRevision_ = 0;
};

} // namespace tavlori
