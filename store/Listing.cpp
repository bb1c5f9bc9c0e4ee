#include "Listing.h"

#include "SqlSupport.h"

namespace zor {

namespace {

constexpr auto kSelectColumns =
    R"sql(SELECT id, Gas, sTime, sValue, pTime, pValue, eTime, eValue, Unt FROM AR WHERE )sql";
constexpr auto kSelectKeys = R"sql(SELECT id FROM AR WHERE )sql";
constexpr auto kSelectByKeys =
    R"sql(SELECT id, Gas, sTime, sValue, pTime, pValue, eTime, eValue, Unt FROM AR WHERE id IN )sql";
constexpr auto kCountRows = R"sql(SELECT count(*) FROM AR WHERE )sql";
constexpr auto kCountAll = R"sql(SELECT n FROM AR_COUNT WHERE id = 1)sql";
constexpr auto kAnyRow = R"sql((1 = 1))sql";
constexpr auto kGasCondition = R"sql((Gas = :gas))sql";
constexpr auto kDaysCondition = R"sql((pTime BETWEEN :dayFrom AND :dayTo))sql";
// Rows after a given one in listing order; the first term lets the peak index seek.
constexpr auto kAfterCondition = R"sql( AND pTime <= :afterPeak0
  AND (pTime < :afterPeak1 OR (pTime = :afterPeak2
       AND (Gas > :afterGas0 OR (Gas = :afterGas1 AND id > :afterId)))))sql";
constexpr auto kOrder = R"sql( ORDER BY pTime DESC, Gas, id LIMIT :limit)sql";
constexpr auto kEarliestPeak = R"sql(SELECT min(pTime) FROM AR)sql";
constexpr auto kLatestPeak = R"sql(SELECT max(pTime) FROM AR)sql";
constexpr auto kTableText =
    R"sql(SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'AR')sql";
constexpr auto kNeverReused = "AUTOINCREMENT";

// Keys read by one run of the statement that reads rows by key.
constexpr size_t kKeyBatch = 64;

constexpr int kReserveRows = 1024;
const QString kFirstSecond = QStringLiteral("yyyy-MM-dd 00:00:00");
const QString kLastSecond = QStringLiteral("yyyy-MM-dd 23:59:59");

bool filtersDays(const ListingFilter& filter) {
    return filter.from && filter.to;
}

QString conditionsOf(const ListingFilter& filter) {
    return QString::fromLatin1(filter.gas.isEmpty() ? kAnyRow : kGasCondition) +
           QStringLiteral(" AND ") +
           QString::fromLatin1(filtersDays(filter) ? kDaysCondition : kAnyRow);
}

void bindFilter(QSqlQuery& query, const ListingFilter& filter) {
    if (!filter.gas.isEmpty())
        query.bindValue(":gas", filter.gas);
    if (filtersDays(filter)) {
        query.bindValue(":dayFrom", filter.from->toString(kFirstSecond));
        query.bindValue(":dayTo", filter.to->toString(kLastSecond));
    }
}

ListingRow rowOf(const QSqlQuery& query) {
    ListingRow row;
    row.id = query.value(0).toLongLong();
    row.gas = query.value(1).toString();
    row.sTime = fromStoredTime(query.value(2)).value_or(QDateTime());
    row.sValue = toReading(query.value(3));
    row.pTime = fromStoredTime(query.value(4)).value_or(QDateTime());
    row.pValue = toReading(query.value(5));
    row.eTime = fromStoredTime(query.value(6)).value_or(QDateTime());
    row.eValue = toReading(query.value(7));
    row.unit = query.value(8).toString();
    return row;
}

std::optional<QDateTime> singleTime(const QSqlDatabase& db, const char* sql) {
    QSqlQuery query = prepareStatement(db, sql);
    execute(query);
    if (!query.next())
        return std::nullopt;
    return fromStoredTime(query.value(0));
}

QString byKeysStatement() {
    QString sql = QString::fromLatin1(kSelectByKeys) + QLatin1Char('(');
    for (size_t i = 0; i < kKeyBatch; ++i)
        sql += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return sql + QLatin1Char(')');
}

// Lets go of a kept statement's read of the store once its rows are taken.
struct Finished {
    QSqlQuery& query;
    ~Finished() { query.finish(); }
};

} // namespace

Listing::Listing(QSqlDatabase db) : db_(std::move(db)) {
    // Keys of a table without AUTOINCREMENT come back after the newest row is deleted.
    QSqlQuery table(db_);
    if (table.exec(QString::fromLatin1(kTableText)) && table.next())
        keysNeverReused_ =
            table.value(0).toString().contains(QLatin1String(kNeverReused), Qt::CaseInsensitive);
}

QSqlQuery& Listing::statement(const QString& sql) const {
    auto kept = statements_.find(sql);
    if (kept == statements_.end())
        kept = statements_.emplace(sql, prepareStatement(db_, sql)).first;
    return kept->second;
}

qint64 Listing::count(const ListingFilter& filter) const {
    const bool everything = filter.gas.isEmpty() && !filtersDays(filter);
    QSqlQuery& query =
        statement(everything ? QString::fromLatin1(kCountAll)
                             : QString::fromLatin1(kCountRows) + conditionsOf(filter));
    const Finished finished{query};
    bindFilter(query, filter);
    execute(query);
    return query.next() ? query.value(0).toLongLong() : 0;
}

std::vector<ListingRow> Listing::page(const ListingFilter& filter, const ListingRow* after,
                                      int limit) const {
    QString sql = QString::fromLatin1(kSelectColumns) + conditionsOf(filter);
    if (after)
        sql += QString::fromLatin1(kAfterCondition);
    sql += QString::fromLatin1(kOrder);
    QSqlQuery& query = statement(sql);
    const Finished finished{query};
    bindFilter(query, filter);
    if (after) {
        const QString peak = toStoredTime(after->pTime);
        query.bindValue(":afterPeak0", peak);
        query.bindValue(":afterPeak1", peak);
        query.bindValue(":afterPeak2", peak);
        query.bindValue(":afterGas0", after->gas);
        query.bindValue(":afterGas1", after->gas);
        query.bindValue(":afterId", after->id);
    }
    query.bindValue(":limit", limit);
    execute(query);
    std::vector<ListingRow> rows;
    rows.reserve(std::min(limit, kReserveRows));
    while (query.next())
        rows.push_back(rowOf(query));
    return rows;
}

std::vector<qint64> Listing::keys(const ListingFilter& filter, int limit) const {
    QSqlQuery& query = statement(QString::fromLatin1(kSelectKeys) + conditionsOf(filter) +
                                 QString::fromLatin1(kOrder));
    const Finished finished{query};
    bindFilter(query, filter);
    query.bindValue(":limit", limit);
    execute(query);
    std::vector<qint64> keys;
    keys.reserve(std::min(limit, kReserveRows));
    while (query.next())
        keys.push_back(query.value(0).toLongLong());
    return keys;
}

void Listing::readBatch(const qint64* keys, size_t count,
                        std::unordered_map<qint64, ListingRow>& found) const {
    static const QString sql = byKeysStatement();
    QSqlQuery& query = statement(sql);
    const Finished finished{query};
    // Places past the batch's keys match nothing.
    for (size_t i = 0; i < kKeyBatch; ++i)
        query.bindValue(int(i), i < count ? QVariant(keys[i]) : QVariant());
    execute(query);
    while (query.next()) {
        ListingRow row = rowOf(query);
        const qint64 key = row.id;
        found.emplace(key, std::move(row));
    }
}

std::vector<ListingRow> Listing::rows(const std::vector<qint64>& keys) const {
    std::unordered_map<qint64, ListingRow> found;
    found.reserve(keys.size());
    for (size_t first = 0; first < keys.size(); first += kKeyBatch)
        readBatch(keys.data() + first, std::min(kKeyBatch, keys.size() - first), found);
    std::vector<ListingRow> rows;
    rows.reserve(found.size());
    for (qint64 key : keys) {
        if (const auto row = found.find(key); row != found.end())
            rows.push_back(row->second);
    }
    return rows;
}

std::optional<QDateTime> Listing::earliestPeak() const {
    return singleTime(db_, kEarliestPeak);
}

std::optional<QDateTime> Listing::latestPeak() const {
    return singleTime(db_, kLatestPeak);
}

} // namespace zor
