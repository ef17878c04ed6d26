#include "ui/anchors.h"

#include <QStringList>

namespace tavlori::ui {
namespace {

struct Span {
    int start;
    int size;
};

// One axis of the rule.
Span place(Span designed, bool nearEdge, bool farEdge, int designedClient, int client)
{
    const int growth = client - designedClient;
    if (nearEdge && farEdge)
        return {designed.start, designed.size + growth};
    if (nearEdge)
        return designed;
    if (farEdge)
        return {designed.start + growth, designed.size};
    const long long centre = designed.start + designed.size / 2;
    // Rounded to nearest, halves up (the values are never negative here).
    const long long scaled = (2 * centre * client + designedClient) / (2LL * designedClient);
    return {static_cast<int>(scaled) - designed.size / 2, designed.size};
}

} // namespace

Anchors parseAnchors(const QString &text)
{
    Anchors anchors;
    const QStringList words = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        const QString w = word.trimmed().toLower();
        if (w == QLatin1String("left"))
            anchors |= Anchor::Left;
        else if (w == QLatin1String("top"))
            anchors |= Anchor::Top;
        else if (w == QLatin1String("right"))
            anchors |= Anchor::Right;
        else if (w == QLatin1String("bottom"))
            anchors |= Anchor::Bottom;
    }
    return anchors;
}

QRect anchoredGeometry(const QRect &designed, Anchors anchors, const QSize &designedClient,
                       const QSize &client)
{
    const Span x = place({designed.x(), designed.width()}, anchors.testFlag(Anchor::Left),
                         anchors.testFlag(Anchor::Right), designedClient.width(), client.width());
    const Span y = place({designed.y(), designed.height()}, anchors.testFlag(Anchor::Top),
                         anchors.testFlag(Anchor::Bottom), designedClient.height(), client.height());
    return QRect(x.start, y.start, x.size, y.size);
}

} // namespace tavlori::ui
