// Sets one value in a settings file of the form QSettings keeps on this platform (INI),
// leaving its other values alone. The install step records the installation folder in the
// machine-wide file this way.
//   quelm_write_setting FILE NAME VALUE
#include <cstdio>

#include <QSettings>
#include <QString>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: quelm_write_setting FILE NAME VALUE\n");
        return 2;
    }
    QSettings file(QString::fromLocal8Bit(argv[1]), QSettings::IniFormat);
    file.setValue(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    file.sync();
    if (file.status() != QSettings::NoError) {
        std::fprintf(stderr, "quelm_write_setting: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
