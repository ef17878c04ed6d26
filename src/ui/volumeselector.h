#pragma once
// The volume selector: the mounted volumes by their root paths. It shows the
// volume of the current folder; choosing another fires changed().
#include <QComboBox>
#include <QStringList>

namespace tavlori::ui {

class VolumeSelector : public QComboBox {
    Q_OBJECT
public:
    explicit VolumeSelector(QWidget *parent = nullptr);

    // The mounted volumes' root paths, sorted, without duplicates.
    static QStringList mountedRoots();

    // Replaces the volumes offered (the window starts with mountedRoots()).
    void setVolumes(const QStringList &roots);
    QStringList volumes() const;

    // The root of the volume that `path` lies on: the longest volume root
    // that contains it.
    QString volumeOf(const QString &path) const;
    // The root of the volume shown.
    QString volumeRoot() const { return currentText(); }
    // Shows the volume of `path` without firing changed().
    void showVolumeOf(const QString &path);

signals:
    // The user chose another volume.
    void changed();

private:
    bool showing_ = false;
};

} // namespace tavlori::ui
