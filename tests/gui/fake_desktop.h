// A desktop that records what the windows ask of it and answers as the test says.
#pragma once

#include "gui/desktop.h"

#include <functional>
#include <vector>

namespace velmora::testing {

class FakeDesktop : public Desktop {
public:
    struct Box {
        QString title, text;
    };
    // questions holds both kinds of Yes/No box.
    std::vector<Box> warnings, questions, notes, errors;
    std::vector<QUrl> opened;
    bool answer = false;
    bool opens = true; // whether an address finds a handler
    std::function<void()> whileAsking;
    QString chosenFile, chosenFolder, filter, folderStart, chosenFontFamily;
    QColor chosenColor;

    void Warn(QWidget*, const QString& title, const QString& text) override {
        warnings.push_back({title, text});
    }
    void Inform(QWidget*, const QString& title, const QString& text) override {
        notes.push_back({title, text});
    }
    void ShowError(QWidget*, const QString& title, const QString& text) override {
        errors.push_back({title, text});
    }
    bool AskYesNo(QWidget*, const QString& title, const QString& text) override {
        questions.push_back({title, text});
        if (whileAsking)
            whileAsking();
        return answer;
    }
    bool AskQuestion(QWidget* parent, const QString& title, const QString& text) override {
        return AskYesNo(parent, title, text);
    }
    QColor ChooseColor(QWidget*, const QColor&) override { return chosenColor; }
    QString ChooseFontFamily(QWidget*, const QString&) override { return chosenFontFamily; }
    QString ChooseFile(QWidget*, const QString&, const QString& offered) override {
        filter = offered;
        return chosenFile;
    }
    QString ChooseFolder(QWidget*, const QString&, const QString& start) override {
        folderStart = start;
        return chosenFolder;
    }
    void OpenUrl(const QUrl& url, Opened result) override {
        opened.push_back(url);
        result(opens);
    }
};

} // namespace velmora::testing
