// Writes an empty alarm store: the schema and the settings row.
#include "Database.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 || args[1].startsWith(u'-')) {
        err << "usage: zor-mkstore PATH\n"
               "Creates an empty alarm store at PATH (normally ZOR.DLL); never overwrites a "
               "file.\n";
        return 2;
    }
    try {
        zor::Database::createEmpty(args[1]);
    } catch (const zor::UserError& e) {
        err << "zor-mkstore: " << e.text() << '\n';
        return 1;
    }
    return 0;
}
