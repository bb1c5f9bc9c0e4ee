#pragma once

#include "UserError.h"

#include <QSqlDatabase>
#include <QString>

namespace zor {

inline constexpr auto kStoreFileName = "ZOR.DLL";
inline constexpr auto kConnectFailedText = "Can't connect to database. Please check your settings.";

// The store could not be opened as a usable alarm store.
class ConnectError : public UserError {
public:
    ConnectError() : UserError(QString::fromLatin1(kConnectFailedText)) {}
};

// The connection to one store file. Opening never creates or changes a bad file.
class Database {
public:
    // Opens an existing store for reading and writing; throws ConnectError.
    explicit Database(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QSqlDatabase connection() const { return db_; }
    const QString& path() const { return path_; }

    // Throws UserError when the file at the path is no longer the one that was opened
    // (removed or replaced by another program), so that nothing is written into a ghost.
    void ensureSameFile() const;

    // Writes an empty store with the schema and the settings row; throws UserError
    // when the file exists or cannot be written.
    static void createEmpty(const QString& path);

private:
    struct Creating {};
    Database(const QString& path, Creating);
    void release();

    QString path_;
    QByteArray fileIdentity_;
    QString connectionName_;
    QSqlDatabase db_;
};

} // namespace zor
