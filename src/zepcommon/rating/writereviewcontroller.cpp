#include "zepcommon/rating/writereviewcontroller.h"

#include "zepcommon/rating/sharereviewcontroller.h"

#include <algorithm>

namespace rating {

WriteReviewController::WriteReviewController(ReviewServices services, QObject *parent)
    : ScreenController(parent)
    , m_services(std::move(services)) {
    setTitle(tr("Write a Review"));
}

QColor WriteReviewController::textColor() const {
    return m_placeholder ? QColor(Qt::lightGray) : QColor(Qt::white);
}

void WriteReviewController::viewDidLoad() {
    m_wantsFocus = true;
    showPlaceholder();
    emit changed();
}

void WriteReviewController::showPlaceholder() {
    m_text = placeholder();
    m_placeholder = true;
    m_cursor = 0;
}

void WriteReviewController::edit(int start, int length, const QString &replacement) {
    start = std::clamp(start, 0, int(m_text.size()));
    length = std::clamp(length, 0, int(m_text.size()) - start);
    // While the placeholder shows the field holds nothing, so a deletion leaves it empty.
    const QString result = m_placeholder ? replacement : QString(m_text).replace(start, length, replacement);
    if (result.isEmpty()) {
        showPlaceholder();
    } else if (m_placeholder) {
        m_text = replacement;
        m_placeholder = false;
        m_cursor = int(replacement.size());
    } else {
        m_text = result;
        m_cursor = start + int(replacement.size());
    }
    emit changed();
}

void WriteReviewController::textEdited(const QString &fieldText, int fieldCursor) {
    if (fieldText == m_text)
        return;
    // The edit is what lies between the common start and the common end of both texts.
    const int oldSize = int(m_text.size());
    const int newSize = int(fieldText.size());
    int prefix = 0;
    while (prefix < oldSize && prefix < newSize && m_text[prefix] == fieldText[prefix])
        ++prefix;
    int suffix = 0;
    while (suffix < oldSize - prefix && suffix < newSize - prefix &&
           m_text[oldSize - 1 - suffix] == fieldText[newSize - 1 - suffix])
        ++suffix;
    const bool wasPlaceholder = m_placeholder;
    edit(prefix, oldSize - prefix - suffix, fieldText.mid(prefix, newSize - prefix - suffix));
    // A plain edit keeps the field's own cursor; the placeholder rules set theirs.
    if (!wasPlaceholder && !m_placeholder)
        m_cursor = std::clamp(fieldCursor, 0, int(m_text.size()));
}

void WriteReviewController::selectionChanged(int position) {
    if (m_placeholder) {
        if (position != 0) {
            m_cursor = 0;
            emit changed();
        }
        return;
    }
    m_cursor = std::clamp(position, 0, int(m_text.size()));
}

void WriteReviewController::sendButtonPressed() {
    auto *share = new ShareReviewController(m_services);
    share->setAppID(m_appID);
    share->setReviewText(reviewText());
    present(share, ui::Presentation::sheet());
}

} // namespace rating
