#pragma once

#include <gtest/gtest.h>
#include <memory>

#include <QApplication>
#include <QFont>
#include <QPalette>

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

// A dark theme as desktops ship it, every role set, for pictures and contrast checks.
inline QPalette DarkPalette() {
    QPalette dark;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(0x35, 0x35, 0x35)},
        {QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0)},
        {QPalette::Base, QColor(0x25, 0x25, 0x25)},
        {QPalette::AlternateBase, QColor(0x35, 0x35, 0x35)},
        {QPalette::Text, QColor(0xE0, 0xE0, 0xE0)},
        {QPalette::Button, QColor(0x45, 0x45, 0x45)},
        {QPalette::ButtonText, QColor(0xE0, 0xE0, 0xE0)},
        {QPalette::Light, QColor(0x60, 0x60, 0x60)},
        {QPalette::Midlight, QColor(0x50, 0x50, 0x50)},
        {QPalette::Mid, QColor(0x3A, 0x3A, 0x3A)},
        {QPalette::Dark, QColor(0x22, 0x22, 0x22)},
        {QPalette::Shadow, QColor(0x10, 0x10, 0x10)},
        {QPalette::Highlight, QColor(0x2A, 0x82, 0xDA)},
        {QPalette::HighlightedText, QColor(0xFF, 0xFF, 0xFF)},
        {QPalette::Link, QColor(0x8C, 0xC4, 0xFF)},
        {QPalette::ToolTipBase, QColor(0x25, 0x25, 0x25)},
        {QPalette::ToolTipText, QColor(0xE0, 0xE0, 0xE0)},
    };
    for (const auto& [role, colour] : roles) {
        dark.setColor(role, colour);
    }
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    }
    return dark;
}

inline ::testing::Environment* const kApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace kalvimo::testing
