#include "ReportLayout.h"

#include "DisplayFormat.h"
#include "ListingModel.h"

#include <array>

namespace zor {

namespace {

constexpr double kTitleBand = 16;
constexpr double kHeaderBand = 5;
constexpr double kDataBand = 6;
constexpr double kSummaryBand = 7;
constexpr double kFooterBand = 6;

constexpr int kColumns = ListingModel::ColumnCount;
constexpr std::array<double, kColumns> kColumnLeft = {10, 30, 60, 75, 105, 120, 150, 165};
constexpr std::array<double, kColumns> kColumnWidth = {20, 30, 15, 30, 15, 30, 15, 15};

const QRectF kTitleBox(43, 0, 106, 10);
const QRectF kDateBox(157, 10, 35, 5);
constexpr double kSummaryLeft = 140;
constexpr double kSummaryWidth = 40;
constexpr double kPageNumberLeft = 87;
constexpr double kPageNumberWidth = 20;

constexpr int kTitlePixels = 27;
constexpr int kHeaderPixels = 13;
constexpr int kTextPixels = 12;
constexpr int kPageNumberPixels = 11;

const QString kNarrow = QStringLiteral("Arial Narrow");
const QString kTimes = QStringLiteral("Times New Roman");
const QString kKaiti = QStringLiteral("楷体");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

struct Texts {
    QString title;
    std::array<QString, kColumns> headers;
    QString summary; // %1 is the number of rows
    QString titleFamily;
    QString headerFamily;
    QString summaryFamily;
};

Texts textsOf(ReportLanguage language) {
    if (language == ReportLanguage::Chinese)
        return {QStringLiteral("气体综合监测预警报告"),
                {QStringLiteral("气体"), QStringLiteral("报警起始时间"), QStringLiteral("初值"),
                 QStringLiteral("报警峰值时间"), QStringLiteral("峰值"),
                 QStringLiteral("报警终止时间"), QStringLiteral("终值"), QStringLiteral("单位")},
                QStringLiteral("记录数: %1"),
                kKaiti,
                kKaiti,
                kKaiti};
    return {QStringLiteral("СТАТИСТИКА"),
            {QStringLiteral("Gas"), QStringLiteral("Start Alarm Time"), QStringLiteral("Value"),
             QStringLiteral("Peak Alarm Time"), QStringLiteral("Value"),
             QStringLiteral("End Alarm Time"), QStringLiteral("Value"), QStringLiteral("Unit")},
            QStringLiteral("Record Number: %1"),
            kNarrow,
            kNarrow,
            kTimes};
}

std::array<QString, kColumns> fieldsOf(const ListingRow& r, const LocaleSeparators& sep) {
    return {r.gas,
            r.sTime.toString(kDateFormat),
            readingText(r.sValue, sep),
            r.pTime.toString(kDateFormat),
            readingText(r.pValue, sep),
            r.eTime.toString(kDateFormat),
            readingText(r.eValue, sep),
            r.unit};
}

bool isReading(int column) {
    return column == ListingModel::StartValue || column == ListingModel::PeakValue ||
           column == ListingModel::EndValue;
}

// Places the bands one under another and starts a new page where the next one would
// run into the page footer.
class PageBuilder {
public:
    PageBuilder(double bodyHeight, const ReportFont& pageNumberFont)
        : footerTop_(bodyHeight - kFooterBand), pageNumberFont_(pageNumberFont) {
        pages_.emplace_back();
    }

    double top() const { return top_; }
    bool fits(double band) const { return top_ + band <= footerTop_ || top_ == 0; }
    void add(ReportItem item) {
        item.rect.translate(0, top_);
        pages_.back().items.push_back(std::move(item));
    }
    void advance(double band) { top_ += band; }
    void newPage() {
        pages_.emplace_back();
        top_ = 0;
    }

    std::vector<ReportPage> finish() {
        for (size_t i = 0; i < pages_.size(); ++i) {
            pages_[i].items.push_back(
                {QRectF(kPageNumberLeft, footerTop_, kPageNumberWidth, kFooterBand),
                 QString::number(i + 1), pageNumberFont_, Qt::AlignCenter,
                 ReportItem::Lines::None});
        }
        return std::move(pages_);
    }

private:
    double footerTop_;
    ReportFont pageNumberFont_;
    double top_ = 0;
    std::vector<ReportPage> pages_;
};

void addHeader(PageBuilder& builder, const Texts& texts) {
    for (int c = 0; c < kColumns; ++c) {
        builder.add({QRectF(kColumnLeft[c], 0, kColumnWidth[c], kHeaderBand),
                     texts.headers[c],
                     {texts.headerFamily, kHeaderPixels, true},
                     Qt::AlignCenter,
                     ReportItem::Lines::SolidBelow});
    }
    builder.advance(kHeaderBand);
}

} // namespace

std::vector<ReportPage> layoutReport(const std::vector<ListingRow>& rows, ReportLanguage language,
                                     const QDate& today, const LocaleSeparators& separators,
                                     const QSizeF& body) {
    const Texts texts = textsOf(language);
    PageBuilder builder(body.height(), {kTimes, kPageNumberPixels, false});

    builder.add({kTitleBox,
                 texts.title,
                 {texts.titleFamily, kTitlePixels, true},
                 Qt::AlignCenter,
                 ReportItem::Lines::None});
    builder.add({kDateBox,
                 QLatin1Char(' ') + today.toString(kDateFormat),
                 {kTimes, kTextPixels, false},
                 Qt::AlignLeft | Qt::AlignVCenter,
                 ReportItem::Lines::None});
    builder.advance(kTitleBand);
    addHeader(builder, texts);

    for (const ListingRow& row : rows) {
        if (!builder.fits(kDataBand)) {
            builder.newPage();
            addHeader(builder, texts);
        }
        const auto fields = fieldsOf(row, separators);
        for (int c = 0; c < kColumns; ++c) {
            const Qt::Alignment horizontal = isReading(c) ? Qt::AlignRight : Qt::AlignHCenter;
            builder.add({QRectF(kColumnLeft[c], 0, kColumnWidth[c], kDataBand),
                         fields[c],
                         {kTimes, kTextPixels, false},
                         horizontal | Qt::AlignVCenter,
                         ReportItem::Lines::DottedAboveAndBelow});
        }
        builder.advance(kDataBand);
    }

    if (!builder.fits(kSummaryBand))
        builder.newPage();
    builder.add({QRectF(kSummaryLeft, 0, kSummaryWidth, kSummaryBand),
                 texts.summary.arg(rows.size()),
                 {texts.summaryFamily, kTextPixels, false},
                 Qt::AlignRight | Qt::AlignVCenter,
                 ReportItem::Lines::None});
    builder.advance(kSummaryBand);
    return builder.finish();
}

} // namespace zor
