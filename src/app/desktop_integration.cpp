#include "app/desktop_integration.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleHints>

namespace varnel {

namespace {

std::string environment(const char* name) {
    return qEnvironmentVariable(name).toStdString();
}

std::string gtkSettingsText() {
    for (const char* version : {"gtk-4.0", "gtk-3.0"}) {
        QFile file(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                       .filePath(QStringLiteral("%1/settings.ini").arg(QLatin1String(version))));
        // A settings file is small; a huge one is not read.
        if (file.size() < 64 * 1024 && file.open(QIODevice::ReadOnly))
            return file.readAll().toStdString();
    }
    return {};
}

// GNOME's setting, read through its command-line tool where the desktop has it.
std::string gnomeColorScheme() {
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty()) return {};
    QProcess process;
    process.start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                              QStringLiteral("color-scheme")});
    if (!process.waitForFinished(1000)) {
        process.kill();
        process.waitForFinished(500);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toStdString();
}

}  // namespace

ColorSchemeHints desktopColorSchemeHints() {
    ColorSchemeHints hints;
    hints.override = environment(kColorSchemeVariable);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    switch (QGuiApplication::styleHints()->colorScheme()) {
        case Qt::ColorScheme::Dark:
            hints.desktopPrefersDark = true;
            break;
        case Qt::ColorScheme::Light:
            hints.desktopPrefersDark = false;
            break;
        default:
            break;
    }
#endif
    hints.paletteIsDark = QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
    // The override decides alone; the desktop is asked only without it.
    const QString wanted = QString::fromStdString(hints.override).trimmed().toLower();
    if (wanted == QLatin1String("dark") || wanted == QLatin1String("light")) return hints;
    if (!hints.desktopPrefersDark && !hints.paletteIsDark) {
        hints.gnomeColorScheme = gnomeColorScheme();
        hints.gtkTheme = environment("GTK_THEME");
        hints.gtkSettings = gtkSettingsText();
    }
    return hints;
}

QPalette darkPalette() {
    const QColor window(0x35, 0x35, 0x35), base(0x2a, 0x2a, 0x2a), text(0xe8, 0xe8, 0xe8);
    const QColor disabledText(0x80, 0x80, 0x80), highlight(0x2a, 0x82, 0xda);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x3a, 0x3a, 0x3a));
    p.setColor(QPalette::ToolTipBase, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabledText);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xff, 0x60, 0x60));
    p.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4a));
    p.setColor(QPalette::Midlight, QColor(0x42, 0x42, 0x42));
    p.setColor(QPalette::Mid, QColor(0x2c, 0x2c, 0x2c));
    p.setColor(QPalette::Dark, QColor(0x23, 0x23, 0x23));
    p.setColor(QPalette::Shadow, QColor(0x14, 0x14, 0x14));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x5a, 0xa8, 0xf0));
    p.setColor(QPalette::LinkVisited, QColor(0xb0, 0x8c, 0xf0));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabledText);
    return p;
}

void applyColorScheme(const ColorSchemeChoice& choice) {
    if (!choice.setPalette) return;
    // Fusion draws every control from the palette, so a palette of either kind looks whole.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QApplication::setPalette(choice.scheme == ColorScheme::Dark
                                 ? darkPalette()
                                 : QApplication::style()->standardPalette());
}

QIcon applicationIcon(const QString& programDirectory) {
    QIcon themed = QIcon::fromTheme(QStringLiteral("varnel"));
    if (!themed.isNull()) return themed;
    QIcon icon;
    const QDir program(programDirectory);
    const QString folders[] = {
        program.filePath(QStringLiteral("../share/icons/hicolor/%1x%1/apps")),
        program.filePath(QStringLiteral("../../data/icons/%1x%1"))};
    for (const QString& folder : folders) {
        for (int side : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
            const QString file = QDir(folder.arg(side)).filePath(QStringLiteral("varnel.png"));
            if (QFileInfo(file).isFile()) icon.addFile(file, QSize(side, side));
        }
        if (!icon.isNull()) break;
    }
    return icon;
}

}  // namespace varnel
