#include "ui/volumeselector.h"

#include <QStorageInfo>
#include <QStyle>

#include <algorithm>

namespace tavlori::ui {

VolumeSelector::VolumeSelector(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_)
            emit changed();
    });
}

QStringList VolumeSelector::mountedRoots()
{
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            roots.append(volume.rootPath());
    }
    if (!roots.contains(QStringLiteral("/")))
        roots.append(QStringLiteral("/"));
    roots.sort();
    roots.removeDuplicates();
    return roots;
}

void VolumeSelector::setVolumes(const QStringList &roots)
{
    const QString shown = currentText();
    showing_ = true;
    clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString &root : roots)
        addItem(icon, root);
    setCurrentIndex(std::max(0, static_cast<int>(roots.indexOf(shown))));
    showing_ = false;
}

QStringList VolumeSelector::volumes() const
{
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots.append(itemText(i));
    return roots;
}

QString VolumeSelector::volumeOf(const QString &path) const
{
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemText(i);
        const bool contains =
            path == root
            || (path.startsWith(root)
                && (root.endsWith(QLatin1Char('/')) || path.at(root.size()) == QLatin1Char('/')));
        if (contains && root.size() > best.size())
            best = root;
    }
    return best;
}

void VolumeSelector::showVolumeOf(const QString &path)
{
    const int index = findText(volumeOf(path));
    if (index < 0 || index == currentIndex())
        return;
    showing_ = true;
    setCurrentIndex(index);
    showing_ = false;
}

} // namespace tavlori::ui
