#include "cli/CliNames.h"

#include "ProductData.h"

#include <algorithm>
#include <vector>

namespace {

// Letters changed, added or taken away to make one text of the other.
qsizetype editDistance(const QString& a, const QString& b) {
    std::vector<qsizetype> row(static_cast<std::size_t>(b.size()) + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[static_cast<std::size_t>(j)] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const auto k = static_cast<std::size_t>(j);
            const qsizetype above = row[k];
            row[k] = std::min({row[k] + 1, row[k - 1] + 1, diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

QStringList catalogueEffectNames() {
    const std::optional<QByteArray> list = ProductData::raw(QStringLiteral("effect_list"));
    if (!list)
        return {};
    QStringList names;
    const QStringList lines = ProductData::splitLines(*list);
    for (qsizetype i = 1; i < lines.size(); ++i)
        names << ProductData::catalogueLineName(lines.at(i));
    return names;
}

QString effectNamed(const QString& typed, const QStringList& names) {
    for (const QString& name : names)
        if (name.compare(typed.simplified(), Qt::CaseInsensitive) == 0)
            return name;
    return {};
}

QStringList namesLike(const QString& typed, const QStringList& names) {
    const QString wanted = typed.simplified().toLower();
    // A slip of a letter or two in a short name, a few more in a long one.
    const qsizetype allowed = std::max<qsizetype>(2, wanted.size() / 4);
    std::vector<std::pair<qsizetype, QString>> close;
    for (const QString& name : names) {
        const qsizetype distance = editDistance(wanted, name.toLower());
        if (distance <= allowed || (wanted.size() >= 3 && name.contains(wanted, Qt::CaseInsensitive)))
            close.emplace_back(distance, name);
    }
    std::stable_sort(close.begin(), close.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList best;
    for (std::size_t i = 0; i < close.size() && i < 3; ++i)
        best << close[i].second;
    return best;
}

QString orList(const QStringList& items) {
    if (items.size() < 2)
        return items.value(0);
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + items.last();
}

int itemNamed(const QStringList& items, const QString& typed) {
    if (typed.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return static_cast<int>(items.size()) - 1;
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items.at(i).compare(typed, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

QString itemText(const QStringList& items, int item, std::uint8_t code) {
    if (item < 0 || item >= items.size())
        return QStringLiteral("code %1").arg(code);
    return item == items.size() - 1 ? QStringLiteral("none") : items.at(item);
}

QString bankName(int bank) {
    static const QStringList names = {QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III")};
    return bank >= 0 && bank < names.size() ? names.at(bank) : QString::number(bank);
}

QString oneLine(const QString& text) {
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\r')
            line += QStringLiteral("\\r");
        else if (u == u'\n')
            line += QStringLiteral("\\n");
        else if (u == u'\t')
            line += QStringLiteral("\\t");
        else if (u < 0x20 || u == 0x7F)
            line += QStringLiteral("\\x") + QString::number(u, 16).rightJustified(2, u'0').toUpper();
        else
            line += c;
    }
    return line;
}
