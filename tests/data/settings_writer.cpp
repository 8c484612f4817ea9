// Test helper process: writes COUNT settings named PREFIX0..PREFIX<COUNT-1>, so tests can run two writers at once.
#include "data/settings_store.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: settings_writer PREFIX COUNT\n", stderr);
        return 2;
    }
    const QString prefix = args[1];
    const int count = args[2].toInt();
    try {
        for (int i = 0; i < count; ++i)
            WriteSetting(u"ordavo"_s, prefix + QString::number(i), u"value of "_s + prefix + QString::number(i));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
