#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <variant>

// Tevlin without its window, for configuration files: `--backup FILE`, `--restore FILE` and
// `--diff FILE`, on one amplifier, a list of them or every one a scan finds.
namespace setup::config {

struct Options
{
    enum class Mode
    {
        Backup,
        Restore,
        Diff,
    };
    enum class Link
    {
        Refuse, // a file that changes the link address or speed is not restored
        Keep,   // the amplifier keeps its address and speed
        Change, // the amplifier takes the file's
    };
    Mode mode = Mode::Backup;
    // "%a" in it stands for each amplifier's address.
    QString file;
    QString port;
    QList<int> addresses;
    bool all = false;
    int from = 1;
    int to = 255;
    int speedIndex = 0;
    bool json = false;
    bool dryRun = false;
    Link link = Link::Refuse;
    std::optional<std::chrono::milliseconds> timeout;
};

// The options of these modes; --port, --address, --speed, --from, --to, --timeout and --json are
// the other modes' (control/tevlincommand).
void addOptions(QCommandLineParser& parser);
bool wanted(const QStringList& arguments);
std::variant<Options, QString> readOptions(const QCommandLineParser& parser);
// Without one of these modes: why one of their own options is out of place.
std::optional<QString> strayOption(const QCommandLineParser& parser);
// "1,3-5": addresses 0..65535 in the order given, each once; nothing when the text is not such a list.
std::optional<QList<int>> addressList(const QString& text);
// The file of one amplifier: "%a" replaced by its address.
QString fileFor(const QString& pattern, int address);

int run(const Options& options, const QString& setupIniPath);

} // namespace setup::config
