#pragma once

#include <QColor>
#include <QImage>
#include <QStyledItemDelegate>

class ZEPThemeManager;

namespace browser {

class CellThumbnails;

// What both cells paint with: the thumbnails, the icons of the common bundle and the colours.
// Not owned; they outlive the delegates.
struct CellResources {
    CellThumbnails &thumbnails;
    const ZEPThemeManager &theme;
    QColor textColor = QColor(0x1C, 0x1C, 0x1E);
    QColor detailColor = QColor(0x8A, 0x8F, 0x98);
    QColor separatorColor = QColor(0xD8, 0xD8, 0xDC);
};

// The part both cells share: the picture of an entry (thumbnail or icon), the more button with its
// three states, and its clicks. A click on the more button outside selection mode emits
// moreButtonClicked instead of selecting the entry; in selection mode the button only shows the
// check mark and the click goes to the view.
class FileCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    FileCellDelegate(CellResources resources, QObject *parent = nullptr);

    // Where a cell of this rectangle draws its more button.
    virtual QRect moreButtonRect(const QRect &cell) const = 0;

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

signals:
    void moreButtonClicked(const QModelIndex &index, const QPoint &globalPosition);

protected:
    // Draws the entry's picture into the rectangle: thumbnails fill it (cropped), icons fit in it.
    void paintPicture(QPainter *painter, const QRect &rect, const QModelIndex &index) const;
    void paintMoreButton(QPainter *painter, const QRect &cell, const QModelIndex &index) const;
    void paintSelection(QPainter *painter, const QStyleOptionViewItem &option) const;
    QImage icon(const QString &name, int side) const;

    CellResources m_resources;
};

// FileGridCell: a tile of 80 × 175: the picture, the name (two lines), the creation date or a
// folder's entry count, and the more button.
class FileGridDelegate : public FileCellDelegate {
    Q_OBJECT
public:
    static constexpr int tileWidth = 80;
    static constexpr int tileHeight = 175;

    using FileCellDelegate::FileCellDelegate;
    QRect moreButtonRect(const QRect &cell) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// FileListCell: a row 80 high: the icon, the name, the type label, size and date of a file or a
// folder's entry count, the more button, and a separator from 89 pixels in (none under the last
// row).
class FileListDelegate : public FileCellDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 80;
    static constexpr int separatorInset = 89;

    using FileCellDelegate::FileCellDelegate;
    QRect moreButtonRect(const QRect &cell) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The text of the detail line under the name: "PDF · 1.2 MB · 8 Dec 2026, 05:08" for a file,
    // the entry count for a folder.
    static QString detailText(const QModelIndex &index);
};

} // namespace browser
