#pragma once

#include <gtest/gtest.h>
#include <memory>

#include <QApplication>
#include <QFont>

namespace kalvimo::testing {

// One application for the whole run, gone before the program's statics are torn down.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        application_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[14] = "kalvimo_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

inline ::testing::Environment* const kApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace kalvimo::testing
