#pragma once

#include <QString>
#include <string>
#include <vector>

#include "moving/combination_mover.h"
#include "user_notifier.h"

// Answers the move's questions without a screen and remembers what was offered.
class RecordingMoveDialogs : public drovalin::MoveDialogs {
  public:
    bool answer = false;
    std::vector<std::vector<std::string>> offered;
    std::vector<std::string> summaries;
    int failures = 0;

    bool ConfirmMove(const std::vector<std::string>& names, const std::string& summary) override {
        offered.push_back(names);
        summaries.push_back(summary);
        return answer;
    }
    void ReportMoveFailure() override { ++failures; }
    void ReportSubfolderFailure(const std::string&) override { ++failures; }
};

class RecordingNotifier : public drovalin::UserNotifier {
  public:
    struct Entry {
        QString title;
        QString text;
    };
    std::vector<Entry> notices;

    void Warn(const QString& title, const QString& text) override { notices.push_back({title, text}); }
};
