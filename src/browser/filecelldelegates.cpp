#include "browser/filecelldelegates.h"

#include "browser/cellthumbnails.h"
#include "browser/fileitemmodel.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace browser {

namespace {

constexpr int moreSide = 28;

QString iconName(FileKind kind) {
    switch (kind) {
    case FileKind::Folder:
        return QStringLiteral("folder");
    case FileKind::Audio:
        return QStringLiteral("mp3");
    default:
        return QStringLiteral("file");
    }
}

FileKind kindOf(const QModelIndex &index) {
    return FileKind(index.data(FileItemModel::KindRole).toInt());
}

} // namespace

FileCellDelegate::FileCellDelegate(CellResources resources, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_resources(resources) {}

QImage FileCellDelegate::icon(const QString &name, int side) const {
    return ZEPThemeManager::bundleImage(name, QSize(side, side));
}

void FileCellDelegate::paintPicture(QPainter *painter, const QRect &rect, const QModelIndex &index) const {
    const FileKind kind = kindOf(index);
    const QImage picture =
        m_resources.thumbnails.thumbnail(index.data(FileItemModel::PathRole).toString(), kind,
                                         index.data(FileItemModel::VersionRole).toLongLong());
    painter->save();
    if (!picture.isNull()) {
        // Scale to fill: the picture covers the rectangle and is cut at its longer side.
        QPainterPath clip;
        clip.addRoundedRect(rect, 6, 6);
        painter->setClipPath(clip);
        const QSize filled = picture.size().scaled(rect.size(), Qt::KeepAspectRatioByExpanding);
        const QRect target(rect.center().x() - filled.width() / 2 + 1,
                           rect.center().y() - filled.height() / 2 + 1, filled.width(), filled.height());
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, picture);
        // A hairline keeps white pictures (a PDF page) apart from the white background.
        painter->setClipping(false);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QColor(0, 0, 0, 40));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    } else if (kind == FileKind::Image || kind == FileKind::Video || kind == FileKind::Pdf) {
        // Still being made, or none can be made: an empty frame, never another entry's picture.
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0xEE, 0xEF, 0xF1));
        painter->drawRoundedRect(rect, 6, 6);
    } else {
        const int side = qMin(rect.width(), rect.height());
        const QImage image = icon(iconName(kind), side);
        painter->drawImage(
            QRect(rect.center().x() - side / 2 + 1, rect.center().y() - side / 2 + 1, side, side), image);
    }
    painter->restore();
}

void FileCellDelegate::paintMoreButton(QPainter *painter, const QRect &cell, const QModelIndex &index) const {
    QString name;
    switch (FileItemModel::MoreButton(index.data(FileItemModel::MoreButtonRole).toInt())) {
    case FileItemModel::MoreMenu:
        name = QStringLiteral("more");
        break;
    case FileItemModel::Checked:
        name = QStringLiteral("checked-") + m_resources.theme.themeSuffix();
        break;
    case FileItemModel::Unchecked:
        name = QStringLiteral("unchecked");
        break;
    }
    const QRect button = moreButtonRect(cell);
    const QRect image = button.adjusted(3, 3, -3, -3);
    painter->drawImage(image, icon(name, image.width()));
}

void FileCellDelegate::paintSelection(QPainter *painter, const QStyleOptionViewItem &option) const {
    if (!(option.state & (QStyle::State_Selected | QStyle::State_HasFocus)))
        return;
    QColor highlight = option.palette.highlight().color();
    highlight.setAlpha(option.state & QStyle::State_Selected ? 40 : 18);
    painter->fillRect(option.rect, highlight);
}

bool FileCellDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                   const QStyleOptionViewItem &option, const QModelIndex &index) {
    const bool press = event->type() == QEvent::MouseButtonPress ||
                       event->type() == QEvent::MouseButtonRelease ||
                       event->type() == QEvent::MouseButtonDblClick;
    if (!press || index.data(FileItemModel::MoreButtonRole).toInt() != FileItemModel::MoreMenu)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton ||
        !moreButtonRect(option.rect).contains(mouse->position().toPoint()))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    if (event->type() == QEvent::MouseButtonRelease)
        emit moreButtonClicked(index, mouse->globalPosition().toPoint());
    return true;
}

QRect FileGridDelegate::moreButtonRect(const QRect &cell) const {
    const QRect tile = QRect(cell.x() + (cell.width() - tileWidth) / 2, cell.y(), tileWidth, tileHeight);
    return QRect(tile.center().x() - moreSide / 2 + 1, tile.bottom() - moreSide - 4, moreSide, moreSide);
}

void FileGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const {
    painter->save();
    paintSelection(painter, option);
    const QRect tile(option.rect.x() + (option.rect.width() - tileWidth) / 2, option.rect.y(), tileWidth,
                     tileHeight);
    paintPicture(painter, QRect(tile.x(), tile.y() + 4, tileWidth, tileWidth), index);

    QFont nameFont = option.font;
    painter->setFont(nameFont);
    painter->setPen(m_resources.textColor);
    const QRect nameRect(tile.x() - 10, tile.y() + 90, tileWidth + 20, 36);
    const QString name = painter->fontMetrics().elidedText(index.data().toString(), Qt::ElideMiddle,
                                                           nameRect.width() * 2 - 12);
    painter->drawText(nameRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere, name);

    QFont detailFont = option.font;
    detailFont.setPointSizeF(detailFont.pointSizeF() * 0.85);
    painter->setFont(detailFont);
    painter->setPen(m_resources.detailColor);
    painter->drawText(QRect(tile.x() - 10, tile.y() + 126, tileWidth + 20, 16), Qt::AlignCenter,
                      index.data(FileItemModel::GridDetailRole).toString());
    paintMoreButton(painter, option.rect, index);
    painter->restore();
}

QSize FileGridDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const {
    return QSize(tileWidth, tileHeight);
}

QRect FileListDelegate::moreButtonRect(const QRect &cell) const {
    return QRect(cell.right() - moreSide - 14, cell.center().y() - moreSide / 2 + 1, moreSide, moreSide);
}

QString FileListDelegate::detailText(const QModelIndex &index) {
    if (index.data(FileItemModel::IsFolderRole).toBool())
        return index.data(FileItemModel::SizeTextRole).toString();
    QStringList parts;
    for (int role : {int(FileItemModel::TypeLabelRole), int(FileItemModel::SizeTextRole)}) {
        const QString text = index.data(role).toString();
        if (!text.isEmpty())
            parts.append(text);
    }
    parts.append(index.data(FileItemModel::ListDateRole).toString());
    return parts.join(QLatin1Char(' '));
}

void FileListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const {
    painter->save();
    paintSelection(painter, option);
    const QRect row = option.rect;
    paintPicture(painter, QRect(row.x() + 12, row.y() + 8, 64, 64), index);

    const int textLeft = row.x() + separatorInset;
    const int textWidth = moreButtonRect(row).left() - textLeft - 8;
    QFont titleFont = option.font;
    titleFont.setBold(true);
    painter->setFont(titleFont);
    painter->setPen(m_resources.textColor);
    const QRect titleRect(textLeft, row.y() + 14, textWidth, 24);
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                      painter->fontMetrics().elidedText(index.data().toString(), Qt::ElideMiddle, textWidth));

    painter->setFont(option.font);
    painter->setPen(m_resources.detailColor);
    const QRect detailRect(textLeft, row.y() + 42, textWidth, 22);
    painter->drawText(detailRect, Qt::AlignLeft | Qt::AlignVCenter,
                      painter->fontMetrics().elidedText(detailText(index), Qt::ElideRight, textWidth));
    paintMoreButton(painter, row, index);

    if (!index.data(FileItemModel::IsLastRole).toBool()) {
        painter->setPen(m_resources.separatorColor);
        painter->drawLine(textLeft, row.bottom(), row.right(), row.bottom());
    }
    painter->restore();
}

QSize FileListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const {
    return QSize(qMax(option.rect.width(), 200), rowHeight);
}

} // namespace browser
