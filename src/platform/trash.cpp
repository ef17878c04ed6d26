#include "platform/trash.h"

#include "platform/giotrash.h"

namespace tavlori::platform {

namespace {

// What became of one item, and the trash's own words when it did not move.
struct Attempt {
    TrashOutcome outcome;
    std::string detail;
};

// The desktop's trash, through GIO.
Attempt moveOne(const std::string &pathText)
{
    gio::Result result = gio::trash(pathText);
    return {result.outcome, std::move(result.detail)};
}

} // namespace

std::string itemName(std::string_view path)
{
    std::string_view text = path;
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\'))
        text.remove_suffix(1);
    const std::size_t cut = text.find_last_of("/\\");
    if (cut == std::string_view::npos || cut + 1 == text.size())
        return std::string(path);
    return std::string(text.substr(cut + 1));
}

std::vector<TrashItemResult> moveToTrash(const std::vector<std::string> &paths, TrashUi *ui,
                                         TrashOptions options)
{
    std::vector<TrashItemResult> results;
    results.reserve(paths.size());
    // Items from `from` on stay where they are, at the user's word.
    const auto cancelFrom = [&](std::size_t from) {
        for (std::size_t i = from; i < paths.size(); ++i)
            results.push_back({paths[i], TrashOutcome::Cancelled, std::string()});
    };
    if (paths.empty())
        return results;
    if (options.confirm && (!ui || !ui->confirm(paths))) {
        cancelFrom(0);
        return results;
    }

    const bool showProgress = ui && options.showProgress;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (showProgress && !ui->progress(i, paths.size(), paths[i])) {
            cancelFrom(i);
            return results;
        }
        const Attempt attempt = moveOne(paths[i]);
        if (attempt.outcome == TrashOutcome::Moved) {
            results.push_back({paths[i], attempt.outcome, std::string()});
            continue;
        }
        // Where no trash takes the item, the trash's own words say why.
        std::string detail =
            attempt.outcome == TrashOutcome::TrashUnavailable ? attempt.detail : std::string();
        if (ui)
            ui->error(paths[i], attempt.outcome, detail);
        results.push_back({paths[i], attempt.outcome, std::move(detail)});
    }
    if (showProgress)
        ui->progress(paths.size(), paths.size(), std::string());
    return results;
}

std::vector<std::string> movedPaths(const std::vector<TrashItemResult> &results)
{
    std::vector<std::string> moved;
    for (const TrashItemResult &result : results) {
        if (result.outcome == TrashOutcome::Moved)
            moved.push_back(result.path);
    }
    return moved;
}

} // namespace tavlori::platform
