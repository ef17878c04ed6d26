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

std::string confirmationText(const std::vector<std::string> &paths)
{
    if (paths.size() == 1)
        return "'" + itemName(paths.front()) + "' をごみ箱に移動しますか?";
    return "これら " + std::to_string(paths.size()) + " 個の項目をごみ箱に移動しますか?";
}

std::string failureText(const std::string &path, TrashOutcome outcome)
{
    std::string reason;
    switch (outcome) {
    case TrashOutcome::Moved:
        break;
    case TrashOutcome::NotFound:
        reason = "項目が見つかりません。";
        break;
    case TrashOutcome::PermissionDenied:
        reason = "アクセスが拒否されました。";
        break;
    case TrashOutcome::TrashUnavailable:
        reason = "この項目を受け入れるごみ箱がありません。";
        break;
    case TrashOutcome::Cancelled:
        reason = "操作は取り消されました。";
        break;
    }
    return "'" + itemName(path) + "' をごみ箱に移動できませんでした。 " + reason;
}

std::vector<TrashItemResult> moveToTrash(const std::vector<std::string> &paths, TrashUi *ui,
                                         TrashOptions options)
{
    std::vector<TrashItemResult> results;
    results.reserve(paths.size());
    // Items from `from` on stay where they are, at the user's word.
    const auto cancelFrom = [&](std::size_t from) {
        for (std::size_t i = from; i < paths.size(); ++i)
            results.push_back({paths[i], TrashOutcome::Cancelled, failureText(paths[i], TrashOutcome::Cancelled)});
    };
    if (paths.empty())
        return results;
    if (options.confirm && (!ui || !ui->confirm(confirmationText(paths)))) {
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
        std::string text = failureText(paths[i], attempt.outcome);
        // Where no trash takes the item, the trash's own words say why.
        if (attempt.outcome == TrashOutcome::TrashUnavailable && !attempt.detail.empty())
            text += " (" + attempt.detail + ")";
        if (ui)
            ui->error(text);
        results.push_back({paths[i], attempt.outcome, std::move(text)});
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
