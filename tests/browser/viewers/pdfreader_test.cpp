#include "browser/viewers/pdfpagethumbnails.h"
#include "browser/viewers/pdfpageview.h"
#include "browser/viewers/pdfreadercontroller.h"
#include "browser/viewers/pdfreaderview.h"
#include "browser/viewers/viewers.h"
#include "platform/log.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPdfLink>
#include <QPdfSearchModel>
#include <QPdfWriter>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>
#include <set>

using browser::PdfReaderController;

namespace {

// Writes a PDF of `pages` pages, each saying its number; the pages in `marked` also carry the
// word "lighthouse".
QString writePdf(const QString &path, int pages, const std::set<int> &marked = {},
                 const QPageSize &size = QPageSize(QPageSize::A4)) {
    QPdfWriter writer(path);
    writer.setPageSize(size);
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.setFont(QFont("DejaVu Sans", 24));
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.drawText(QPointF(60, 100), QStringLiteral("Page %1").arg(page + 1));
        if (marked.count(page))
            painter.drawText(QPointF(60, 780), "A lighthouse stands here"); // low: below the first screenful
    }
    painter.end();
    return path;
}

class PdfReaderTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    std::unique_ptr<PdfReaderController> opened(const QString &file) {
        auto reader = std::make_unique<PdfReaderController>();
        EXPECT_TRUE(reader->open(file)) << reader->errorString().toStdString();
        return reader;
    }

    QTemporaryDir m_dir;
};

struct Unopenable {
    const char *name;
    QByteArray bytes; // null: the file is not there
};

class UnopenablePdfTest : public PdfReaderTest, public ::testing::WithParamInterface<Unopenable> {};

TEST_P(UnopenablePdfTest, FactoryGivesNull) {
    const QString file = path(GetParam().name);
    if (!GetParam().bytes.isNull()) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(GetParam().bytes);
    }
    QStringList logged;
    platform::setLogSink([&logged](const QString &line) { logged << line; });
    browser::Viewers viewers;
    EXPECT_EQ(viewers.pdfReader(file), nullptr);
    platform::setLogSink({});
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].contains(file)) << logged[0].toStdString();
    PdfReaderController reader;
    EXPECT_FALSE(reader.open(file));
    EXPECT_FALSE(reader.errorString().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Files, UnopenablePdfTest,
                         ::testing::Values(Unopenable{"missing.pdf", QByteArray()},
                                           Unopenable{"empty.pdf", ""},
                                           Unopenable{"text.pdf", "just some words, no document"},
                                           Unopenable{"cut.pdf", "%PDF-1.4\n1 0 obj\n<< /Type /Catalog"}));

TEST_F(PdfReaderTest, CountsPagesAndNavigates) {
    auto reader = opened(writePdf(path("twelve.pdf"), 12));
    EXPECT_EQ(reader->pageCount(), 12);
    EXPECT_EQ(reader->title(), "twelve.pdf");
    EXPECT_EQ(reader->pageIndicator(), "1 / 12");
    QSignalSpy requested(reader.get(), &PdfReaderController::pageRequested);

    reader->goToPage(4);
    EXPECT_EQ(reader->pageIndicator(), "5 / 12");
    reader->nextPage();
    EXPECT_EQ(reader->currentPage(), 5);
    reader->goToPage(99);
    EXPECT_EQ(reader->currentPage(), 11);
    reader->goToPage(-3);
    EXPECT_EQ(reader->currentPage(), 0);
    ASSERT_EQ(requested.count(), 4);
    EXPECT_EQ(requested.at(2).at(0).toInt(), 11);

    // Scrolling reports the page without asking for a jump; the page box follows.
    browser::PdfReaderView view(reader.get());
    view.resize(900, 700);
    view.show();
    reader->pageShown(7);
    EXPECT_EQ(requested.count(), 4);
    EXPECT_EQ(view.pageBox()->text(), "8 / 12");
    view.pageBox()->setValue(3);
    EXPECT_EQ(reader->currentPage(), 2);
    EXPECT_EQ(view.pageStrip()->currentIndex().row(), 2);
}

TEST_F(PdfReaderTest, FindCountsTheMatchesOnEveryPage) {
    auto reader = opened(writePdf(path("marked.pdf"), 6, {1, 4}));
    browser::PdfReaderView view(reader.get());
    view.resize(900, 700);
    view.show();
    QTest::keyClicks(view.findField(), "lighthouse");
    EXPECT_EQ(reader->findText(), "lighthouse");
    for (int tries = 0; tries < 100 && reader->matchCount() < 2; ++tries)
        QTest::qWait(20);
    QTest::qWait(100); // a third match would come in by now
    ASSERT_EQ(reader->matchCount(), 2);
    EXPECT_EQ(view.matchLabel()->text(), "2 matches");

    QTest::keyClick(view.findField(), Qt::Key_Return);
    EXPECT_EQ(reader->currentMatch(), 0);
    EXPECT_EQ(reader->currentPage(), 1);
    EXPECT_EQ(view.matchLabel()->text(), "1 of 2");
    view.nextMatchButton()->click();
    EXPECT_EQ(reader->currentPage(), 4);
    // The match is scrolled into view, not only its page.
    const QPdfLink second = reader->searchModel()->resultAtIndex(1);
    ASSERT_FALSE(second.rectangles().isEmpty());
    EXPECT_TRUE(view.pageView()->viewport()->rect().contains(
        view.pageView()->viewportRect(4, second.rectangles().constFirst())));
    view.nextMatchButton()->click(); // wraps
    EXPECT_EQ(reader->currentMatch(), 0);
    QTest::keyClick(view.findField(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(reader->currentMatch(), 1);

    reader->find("seagull");
    QTest::qWait(100);
    EXPECT_EQ(reader->matchCount(), 0);
    EXPECT_EQ(reader->matchIndicator(), "No matches");
    EXPECT_FALSE(view.nextMatchButton()->isEnabled());
}

TEST_F(PdfReaderTest, ZoomIsCappedSoOnePageStaysWithinItsBudget) {
    auto a4 = opened(writePdf(path("a4.pdf"), 2));
    auto poster =
        opened(writePdf(path("poster.pdf"), 1, {}, QPageSize(QSizeF(5000, 5000), QPageSize::Point)));
    for (PdfReaderController *reader : {a4.get(), poster.get()}) {
        reader->setPixelsPerPoint(2.0);
        for (int step = 0; step < 40; ++step)
            reader->zoomIn();
        EXPECT_DOUBLE_EQ(reader->zoom(), reader->maximumZoom());
        EXPECT_LE(reader->pageBytesAt(reader->zoom()), PdfReaderController::maximumPageBytes);
        EXPECT_GT(reader->pageBytesAt(reader->zoom()), PdfReaderController::maximumPageBytes * 9 / 10);
        EXPECT_FALSE(reader->isFitWidth());
        // Fit width on a wide window cannot get past the cap either.
        reader->fitWidth();
        reader->setFitWidthZoom(1000.0);
        EXPECT_DOUBLE_EQ(reader->zoom(), reader->maximumZoom());
    }
    EXPECT_LT(poster->maximumZoom(), 1.0);
    EXPECT_GT(a4->maximumZoom(), 2.0);
}

TEST_F(PdfReaderTest, ThousandPagesOpenAndTheStripRendersOnlyWhatItShows) {
    auto reader = opened(writePdf(path("thousand.pdf"), 1000));
    ASSERT_EQ(reader->pageCount(), 1000);
    browser::PdfReaderView view(reader.get());
    view.resize(1000, 800);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    browser::PdfPageThumbnails *thumbnails = reader->thumbnails();
    const QModelIndex first = thumbnails->index(0);
    for (int tries = 0; tries < 250 && first.data(Qt::DecorationRole).isNull(); ++tries)
        QTest::qWait(20);
    const QImage thumbnail = first.data(Qt::DecorationRole).value<QImage>();
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_EQ(thumbnail.pixelColor(2, thumbnail.height() - 3), QColor(Qt::white));
    EXPECT_GT(thumbnails->renderRequests(), 0);
    EXPECT_LT(thumbnails->renderRequests(), 40);

    reader->goToPage(998);
    EXPECT_EQ(view.pageBox()->text(), "999 / 1000");
    EXPECT_GT(view.pageView()->pageRect(998).bottom(), 0);
    EXPECT_LT(view.pageView()->pageRect(998).top(), view.pageView()->viewport()->height());
}

TEST_F(PdfReaderTest, EveryControlHasAnAccessibleName) {
    auto reader = opened(writePdf(path("one.pdf"), 1));
    browser::PdfReaderView view(reader.get());
    const QList<QWidget *> controls = {
        view.pageView(),        view.pageStrip(),      view.pageBox(),
        view.findField(),       view.matchLabel(),     view.zoomInButton(),
        view.zoomOutButton(),   view.fitWidthButton(), view.previousMatchButton(),
        view.nextMatchButton(), view.stripButton()};
    for (QWidget *control : controls)
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    const double fit = reader->zoom();
    view.zoomInButton()->click();
    EXPECT_DOUBLE_EQ(view.pageView()->zoomFactor(), reader->zoom());
    EXPECT_GT(reader->zoom(), fit);
}

} // namespace
