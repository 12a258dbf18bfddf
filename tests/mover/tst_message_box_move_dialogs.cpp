#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

#include "message_box_move_dialogs.h"

using Names = std::vector<std::string>;
Q_DECLARE_METATYPE(Names)

namespace {

enum class Press { Ok, Cancel, Escape };

// What a modal box showed, read while it was open.
struct Seen {
    QString title;
    QStringList buttons;  // left to right
    QString text;
    bool plainText = false;
    bool noIcon = true;
    bool scrollsVertically = false;
    bool fitsOnScreen = false;
};

QList<QPushButton*> ButtonsLeftToRight(QWidget* box) {
    QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [box](QPushButton* a, QPushButton* b) {
        return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
    });
    return buttons;
}

// Waits for the next modal box, reads it, then answers it with press.
void AnswerNextModal(Seen& seen, Press press) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, &seen, press] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        seen.title = box->windowTitle();
        const QList<QPushButton*> buttons = ButtonsLeftToRight(box);
        for (QPushButton* button : buttons) seen.buttons << button->text();
        if (auto* message = qobject_cast<QMessageBox*>(box)) {
            seen.text = message->text();
            seen.plainText = message->textFormat() == Qt::PlainText;
            seen.noIcon = message->icon() == QMessageBox::NoIcon;
        } else if (auto* list = box->findChild<QLabel*>()) {
            seen.text = list->text();
            seen.plainText = list->textFormat() == Qt::PlainText;
            const auto* scroll = box->findChild<QScrollArea*>();
            seen.scrollsVertically = scroll != nullptr && scroll->verticalScrollBar()->isVisible();
        }
        seen.fitsOnScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
        if (press == Press::Escape) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (!buttons.isEmpty()) {
            QTest::mouseClick(press == Press::Ok ? buttons.first() : buttons.last(), Qt::LeftButton);
        }
    });
    timer->start();
}

Names ManyNames(int count) {
    Names names;
    for (int i = 0; i < count; ++i) names.push_back("file_" + std::to_string(i) + ".dat");
    return names;
}

QString Lines(const Names& names) {
    QStringList lines;
    for (const std::string& name : names) lines << QString::fromStdString(name);
    return lines.join('\n');
}

}  // namespace

Q_DECLARE_METATYPE(Press)

class TestMessageBoxMoveDialogs : public QObject {
    Q_OBJECT

  private slots:
    void confirm_data() {
        QTest::addColumn<Names>("names");
        QTest::addColumn<Press>("press");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("scrolls");

        const Names two{"a.txt", "b,c.txt"};
        QTest::newRow("OK") << two << Press::Ok << true << QStringLiteral("a.txt\nb,c.txt") << false;
        QTest::newRow("Cancel") << two << Press::Cancel << false << QStringLiteral("a.txt\nb,c.txt") << false;
        QTest::newRow("closed with Escape")
            << two << Press::Escape << false << QStringLiteral("a.txt\nb,c.txt") << false;
        QTest::newRow("Japanese names") << Names{"写真.jpg", "メモ.txt"} << Press::Ok << true
                                        << QStringLiteral("写真.jpg\nメモ.txt") << false;
        QTest::newRow("markup stays text")
            << Names{"<b>bold</b>.txt"} << Press::Ok << true << QStringLiteral("<b>bold</b>.txt") << false;
        QTest::newRow("bytes that are not UTF-8")
            << Names{"caf\xe9.txt"} << Press::Ok << true << QStringLiteral("caf\uFFFD.txt") << false;
        const Names many = ManyNames(400);
        QTest::newRow("long list scrolls") << many << Press::Ok << true << Lines(many) << true;
        QTest::newRow("long list can be cancelled") << many << Press::Cancel << false << Lines(many) << true;
    }

    void confirm() {
        QFETCH(Names, names);
        QFETCH(Press, press);
        QFETCH(bool, answer);
        QFETCH(QString, shown);
        QFETCH(bool, scrolls);

        QWidget window;
        window.show();
        MessageBoxMoveDialogs dialogs(&window);
        Seen seen;
        AnswerNextModal(seen, press);

        QCOMPARE(dialogs.ConfirmMove(names, {}), answer);
        QCOMPARE(seen.title, QStringLiteral("これらのファイルを移動します"));
        QCOMPARE(seen.buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("キャンセル")}));
        QCOMPARE(seen.text, shown);
        QVERIFY(seen.plainText);
        QCOMPARE(seen.scrollsVertically, scrolls);
        QVERIFY(seen.fitsOnScreen);
    }

    void moveFailure() {
        MessageBoxMoveDialogs dialogs(nullptr);
        Seen seen;
        AnswerNextModal(seen, Press::Ok);
        dialogs.ReportMoveFailure();

        QCOMPARE(seen.title, QStringLiteral("エラー報告"));
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(seen.noIcon);
        QCOMPARE(
            seen.text,
            QStringLiteral("ファイルの移動に失敗したようです。使用中のファイルがないか調べてください。\n"
                           "また現在のところファイル名に,（コンマ）が含まれている場合は移動に失敗します。"
                           "（手抜きです。）\n"
                           "とりあえずBrenmoorixホームページに,（コンマ）を含むファイルを検索して自動で消去"
                           "するソフトがあります"));
    }

    void subfolderFailure() {
        MessageBoxMoveDialogs dialogs(nullptr);
        Seen seen;
        AnswerNextModal(seen, Press::Ok);
        dialogs.ReportSubfolderFailure("読み取り専用の媒体です（Read-only file system）");

        QCOMPARE(seen.title, QStringLiteral("エラー報告"));
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(seen.noIcon);
        QVERIFY(seen.text.contains(QStringLiteral("「w」")));
        QVERIFY(seen.text.contains(QStringLiteral("移動していません")));
        QVERIFY(seen.text.endsWith(QStringLiteral("読み取り専用の媒体です（Read-only file system）")));
    }
};

QTEST_MAIN(TestMessageBoxMoveDialogs)
#include "tst_message_box_move_dialogs.moc"
