#include "zepcommon/rating/cosmosmath.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <utility>

namespace rating {

double onePixelWidth() {
    const QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    const double scale = screen ? screen->devicePixelRatio() : 1.0;
    return scale > 0 ? 1.0 / scale : 1.0;
}

QFont footnoteFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // The phone's footnote is 13 points against a 17-point body.
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(7.0, font.pointSizeF() * 13.0 / 17.0));
    return font;
}

double displayedRating(double rating, StarFillMode mode, int totalStars) {
    const double whole = std::floor(rating);
    double fraction = std::clamp(rating - whole, 0.0, 1.0);
    switch (mode) {
    case StarFillMode::Full:
        fraction = fraction == 1.0 ? 1.0 : 0.0;
        break;
    case StarFillMode::Half:
        fraction = std::floor(2 * fraction) / 2;
        break;
    case StarFillMode::Precise:
        break;
    }
    return std::max(0.0, std::min(whole + fraction, double(totalStars)));
}

double touchRating(double x, const CosmosSettings &settings) {
    if (x < 0)
        return 0;
    const double slot = settings.starSize + settings.starMargin;
    if (slot <= 0 || settings.starSize <= 0)
        return settings.totalStars;
    const double k = std::floor(x / slot);
    if (k > settings.totalStars)
        return settings.totalStars;
    const double inStar = x - k * slot;
    if (inStar > settings.starSize)
        return k + 1;
    return k + inStar / settings.starSize;
}

double ratingForTouch(double x, const CosmosSettings &settings) {
    double rating = touchRating(x, settings);
    if (settings.fillMode == StarFillMode::Half)
        rating += 0.2;
    else if (settings.fillMode == StarFillMode::Full)
        rating += 0.45;
    rating = displayedRating(rating, settings.fillMode, settings.totalStars);
    return std::max(rating, settings.minTouchRating);
}

double starFillLevel(double rating, int index, StarFillMode mode) {
    const double level = std::clamp(rating - index, 0.0, 1.0);
    switch (mode) {
    case StarFillMode::Full:
        return level >= 0.5 ? 1.0 : 0.0;
    case StarFillMode::Half:
        return std::round(level * 2) / 2;
    case StarFillMode::Precise:
        break;
    }
    return level;
}

QRectF starRect(int index, const CosmosSettings &settings) {
    return {index * (settings.starSize + settings.starMargin), 0, settings.starSize, settings.starSize};
}

QPolygonF starPolygon(const CosmosSettings &settings, const QRectF &box) {
    QPolygonF polygon;
    polygon.reserve(settings.starPoints.size());
    for (const QPointF &point : settings.starPoints)
        polygon << QPointF(box.left() + point.x() * box.width() / 100,
                           box.top() + point.y() * box.height() / 100);
    return polygon;
}

double starsWidth(const CosmosSettings &settings) {
    if (settings.totalStars <= 0)
        return 0;
    return settings.totalStars * settings.starSize + (settings.totalStars - 1) * settings.starMargin;
}

QSizeF cosmosViewSize(const CosmosSettings &settings, const QSizeF &textSize) {
    double width = starsWidth(settings);
    double height = settings.totalStars > 0 ? settings.starSize : 0;
    if (!textSize.isEmpty()) {
        width += settings.textMargin + textSize.width();
        height = std::max(height, textSize.height());
    }
    return {width, height};
}

namespace {

// The word for "Rating" by language code.
const std::pair<const char *, const char *> ratingWords[] = {
    {"ar", "التقييم"},    {"cs", "Hodnocení"},      {"da", "Bedømmelse"}, {"de", "Bewertung"},
    {"el", "Βαθμολογία"}, {"en", "Rating"},         {"es", "Valoración"}, {"fi", "Arvio"},
    {"fr", "Note"},       {"he", "דירוג"},          {"hi", "रेटिंग"},       {"hu", "Értékelés"},
    {"id", "Peringkat"},  {"it", "Valutazione"},    {"ja", "評価"},       {"ko", "평점"},
    {"nb", "Vurdering"},  {"nl", "Beoordeling"},    {"pl", "Ocena"},      {"pt", "Classificação"},
    {"ro", "Evaluare"},   {"ru", "Рейтинг"},        {"sk", "Hodnotenie"}, {"sv", "Betyg"},
    {"th", "การให้คะแนน"}, {"tr", "Derecelendirme"}, {"uk", "Рейтинг"},    {"vi", "Xếp hạng"},
    {"zh-Hans", "评分"},  {"zh-Hant", "評分"},      {"zh", "评分"},
};

const char *ratingWord(const QString &code) {
    for (const auto &[language, word] : ratingWords)
        if (code.compare(QLatin1String(language), Qt::CaseInsensitive) == 0)
            return word;
    return nullptr;
}

} // namespace

QString accessibilityLabel(const QStringList &languages, const QString &text) {
    QString word = QStringLiteral("Rating");
    for (QString code : languages) {
        code.replace(QLatin1Char('_'), QLatin1Char('-'));
        const char *found = ratingWord(code);
        // "zh-Hant-TW" → "zh-Hant" → "zh".
        for (qsizetype dash = code.lastIndexOf(QLatin1Char('-')); !found && dash > 0;
             dash = code.lastIndexOf(QLatin1Char('-'))) {
            code.truncate(dash);
            found = ratingWord(code);
        }
        if (found) {
            word = QString::fromUtf8(found);
            break;
        }
    }
    return text.isEmpty() ? word : word + QLatin1Char(' ') + text;
}

QString accessibilityValue(double rating, const CosmosSettings &settings) {
    const double value = displayedRating(rating, settings.fillMode, settings.totalStars);
    if (value == std::floor(value))
        return QString::number(qint64(value));
    return QString::number(value, 'f', 1);
}

double accessibilityStep(StarFillMode mode) {
    switch (mode) {
    case StarFillMode::Full:
        return 1;
    case StarFillMode::Half:
        return 0.5;
    case StarFillMode::Precise:
        break;
    }
    return 0.1;
}

} // namespace rating
