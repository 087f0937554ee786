#include "cli/CliVirtualPedal.h"

#include "ProductData.h"
#include "base/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A state is a few hundred kilobytes; anything much larger is some other file.
constexpr qint64 kMaxStateBytes = 4 * 1024 * 1024;

std::unique_ptr<VirtualDriver> freshPedal() {
    return std::make_unique<VirtualDriver>(VirtualPedal::Options{.programFor = ProductData::effectProgram});
}

} // namespace

QString virtualPedalStatePath() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG says to ignore a relative path there.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/tarvo-max/virtual-pedal"));
}

VirtualPedalLoad loadVirtualPedal(const QString& path) {
    VirtualPedalLoad load;
    QFile file(path);
    if (!file.exists()) {
        load.driver = freshPedal();
        return load;
    }
    const QString again = QStringLiteral(" (tarvo-max --virtual-reset starts it afresh)");
    if (!file.open(QIODevice::ReadOnly)) {
        load.problem = QStringLiteral("cannot read the virtual pedal's memory from %1: %2%3")
                           .arg(path, file.errorString(), again);
        return load;
    }
    const QByteArray state = file.read(kMaxStateBytes + 1);
    auto driver = freshPedal();
    if (state.size() > kMaxStateBytes || !driver->pedal().restoreState(state)) {
        load.problem =
            QStringLiteral("the virtual pedal's memory in %1 does not read as one%2").arg(path, again);
        return load;
    }
    load.driver = std::move(driver);
    return load;
}

QString saveVirtualPedal(const VirtualPedal& pedal, const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("cannot keep the virtual pedal's memory: the folder %1 cannot be made")
            .arg(QFileInfo(path).absolutePath());
    OutputFile file(path);
    if (!file.write(pedal.saveState()))
        return QStringLiteral("cannot keep the virtual pedal's memory in %1: %2").arg(path, file.error());
    return {};
}

QString forgetVirtualPedal(const QString& path) {
    QFile file(path);
    if (file.exists() && !file.remove())
        return QStringLiteral("cannot forget the virtual pedal's memory in %1: %2")
            .arg(path, file.errorString());
    return {};
}
