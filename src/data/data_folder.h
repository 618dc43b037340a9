#pragma once

#include <QString>
#include <QStringList>

namespace kalvora {

// Where things lie: the installation folder holds the programs, the data folder the files.
class DataFolder final {
public:
    // The folder given on the command line (--data-dir), else $KALVORA_DATA_DIR, else the user's
    // standard application-data folder.
    static QString resolve(const QString& commandLineFolder);
    // The server book's address (a libpq connection URI): the one given on the command line
    // (--server), else $KALVORA_SERVER, else the first line of sunucu.txt in the data folder; empty
    // when the book is the data folder's own files.
    static QString serverUri(const QString& commandLineUri, const QString& dataFolder);
    // The folder of the running executable.
    static QString installationFolder();
    // The folder of what the programs read beside their data (templates/): the executable's own folder
    // when it holds them (a program run from its build folder), else the installed shared folder
    // (../share/kalvora from it: /usr/share/kalvora for /usr/bin).
    static QString sharedFolder();
    // Makes a folder of the book's files when it is missing, readable by its owner alone (0700; the
    // folders above it as usual). An existing folder keeps its mode. False when it cannot be made.
    static bool makePrivate(const QString& folder);
};

// The files of the data folder, by their fixed names.
namespace files {
inline const char* const customers = "uyeler.mdb";
inline const char* const transactions = "data.mdb";
inline const char* const income = "gelirmdb.mdb";
inline const char* const expense = "gider.mdb";
inline const char* const scratch = "FRData.mdb";
// The archive of cancelled, changed and deleted rows, in the folder the first start creates for it.
inline const char* const archive = "iptaller/iptaller.mdb";
inline const char* const password = "sifre.dll";
// One line: the address of the server that keeps the book, for desks that use a server.
inline const char* const serverAddress = "sunucu.txt";
} // namespace files

} // namespace kalvora
