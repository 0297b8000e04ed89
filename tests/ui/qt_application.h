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
    const std::pair<QPalette::ColorRole, QRgb> roles[] = {
        {QPalette::Window, 0x353535},      {QPalette::WindowText, 0xE0E0E0},
        {QPalette::Base, 0x252525},        {QPalette::AlternateBase, 0x353535},
        {QPalette::Text, 0xE0E0E0},        {QPalette::Button, 0x454545},
        {QPalette::ButtonText, 0xE0E0E0},  {QPalette::Light, 0x606060},
        {QPalette::Midlight, 0x505050},    {QPalette::Mid, 0x3A3A3A},
        {QPalette::Dark, 0x222222},        {QPalette::Shadow, 0x101010},
        {QPalette::Highlight, 0x2A82DA},   {QPalette::HighlightedText, 0xFFFFFF},
        {QPalette::Link, 0x8CC4FF},        {QPalette::ToolTipBase, 0x252525},
        {QPalette::ToolTipText, 0xE0E0E0},
    };
    for (const auto& [role, rgb] : roles) {
        dark.setColor(role, QColor(rgb));
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
