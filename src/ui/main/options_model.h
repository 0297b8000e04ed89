#pragma once

#include "job_options.h"

#include <type_traits>
#include <utility>

#include <QObject>

namespace kalvimo {

// The job's options, shared by the pages: each page writes the fields its controls hold as they
// change, and the window, the run and the other pages read them here. The crop record stays
// with the crop dialog.
class OptionsModel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const JobOptions& Values() const { return values_; }

    // Stores a field, and signals only when its value really changed.
    template <class T> void Set(T JobOptions::*field, std::type_identity_t<T> value) {
        if (values_.*field == value) {
            return;
        }
        values_.*field = std::move(value);
        emit Changed();
    }

signals:
    void Changed();

private:
    JobOptions values_;
};

} // namespace kalvimo
