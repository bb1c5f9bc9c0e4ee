#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <vector>

namespace zor {

// Outcomes of a download, as the history row names them.
inline constexpr auto kOutcomeRunning = "running";
inline constexpr auto kOutcomeFinished = "finished";
inline constexpr auto kOutcomeNoAnswer = "no answer";
inline constexpr auto kOutcomeInterrupted = "interrupted";

// What one download did with the frames it received.
struct DownloadCounts {
    int stored = 0;     // new events appended
    int duplicates = 0; // intact frames whose event was already stored
    int rejected = 0;   // frames refused as damaged or by their checks
    int failed = 0;     // intact frames that could not be stored

    bool operator==(const DownloadCounts&) const = default;
};

// One row of the download history.
struct DownloadRow {
    qint64 id = 0;
    QString started;
    QString finished; // empty while running or when the program was killed
    QString station;
    QString port;
    DownloadCounts counts;
    QString outcome;
};

// The history of downloads in the store: one row per download, written when it starts and
// kept up to date as it goes.
class DownloadHistory {
public:
    explicit DownloadHistory(QSqlDatabase db) : db_(std::move(db)) {}

    // Writes the row of a download that starts now; returns its key. Throws UserError.
    qint64 begin(const QString& station, const QString& port, const QDateTime& started);

    // Adds frames refused or failed to the row; throws UserError.
    void addRejected(qint64 id, int frames);
    void addFailed(qint64 id, int frames);

    // Writes the final counts and outcome of the row; throws UserError.
    void finish(qint64 id, const DownloadCounts& counts, const QString& outcome,
                const QDateTime& finished);

    // Marks the rows of this station still running (the program was killed) as interrupted;
    // returns how many. Throws UserError.
    int closeAbandoned(const QString& station);

    // Every row, oldest first; throws UserError.
    std::vector<DownloadRow> rows() const;

private:
    void addTo(const char* sql, qint64 id, int frames);

    QSqlDatabase db_;
};

} // namespace zor
