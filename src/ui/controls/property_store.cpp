#include "property_store.h"

namespace kalvimo {

QVariant PropertyStore::Read(const QString& key, const QVariant& defaultValue) const {
    const auto found = values_.find(key.toLower());
    return found == values_.end() ? defaultValue : found->second;
}

void PropertyStore::Write(const QString& key, const QVariant& value, const QVariant& defaultValue) {
    if (value == defaultValue) {
        values_.erase(key.toLower());
    } else {
        values_[key.toLower()] = value;
    }
}

void PropertyStore::WriteAlways(const QString& key, const QVariant& value) {
    values_[key.toLower()] = value;
}

bool PropertyStore::Contains(const QString& key) const {
    return values_.contains(key.toLower());
}

QStringList PropertyStore::Keys() const {
    QStringList keys;
    for (const auto& entry : values_) {
        keys.append(entry.first);
    }
    return keys;
}

} // namespace kalvimo
