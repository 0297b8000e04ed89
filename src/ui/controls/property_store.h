#pragma once

#include <map>

#include <QString>
#include <QStringList>
#include <QVariant>

namespace kalvimo {

// The saved design of a window's controls: one value per property name. Names are matched
// without regard to case and kept in lower case; a value equal to its default is not kept,
// so a missing key always reads as the default.
class PropertyStore {
public:
    QVariant Read(const QString& key, const QVariant& defaultValue) const;
    void Write(const QString& key, const QVariant& value, const QVariant& defaultValue);
    // For the few properties that are kept even when they hold their default.
    void WriteAlways(const QString& key, const QVariant& value);

    bool Contains(const QString& key) const;
    QStringList Keys() const;

private:
    std::map<QString, QVariant> values_;
};

} // namespace kalvimo
