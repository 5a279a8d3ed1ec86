// What the start-up connects: the service client's hooks reach the notice box and its flag.
#include "GbkText.h"
#include "OkDialog.h"
#include "PenlarkApp.h"
#include "ServiceHooks.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    // The standard dialogs speak Chinese: the toolkit's own catalogues are installed and used.
    void toolkitDialogsAreInChinese()
    {
        QCOMPARE(InstallToolkitTranslations(), true);
        QDialogButtonBox buttons(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Save)->text(), QString::fromUtf8("保存"));
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("取消"));
    }

    void serviceHooksReachTheNoticeBox()
    {
        RegisterServiceHooks();
        ServiceHooks &hooks = GetServiceHooks();

        MessageBoxResponder responder;
        bool openDuringNotice = false;
        responder.answer = [&](const MessageBoxCall &) {
            openDuringNotice = GetServiceHooks().isMessageBoxOpen();
            return 1;
        };
        {
            ScopedMessageBoxResponder installed(responder);
            hooks.showMessage(Utf8ToGbk("\t  您的账号在别处登录!"));
        }
        QCOMPARE(responder.calls.size(), size_t(1));
        QCOMPARE(responder.calls[0].kind, MessageBoxCall::Kind::Notice);
        QCOMPARE(responder.calls[0].message, Utf8ToGbk("\t  您的账号在别处登录!"));
        QCOMPARE(responder.calls[0].captions, std::vector<std::string>({Utf8ToGbk("确 定")}));
        QCOMPARE(openDuringNotice, true);

        // A real modal notice on screen is what the hook reports; a modeless one (the contest
        // clock's warnings) is not, so a lapsed session is still renewed behind it.
        QWidget owner;
        QCOMPARE(hooks.isMessageBoxOpen(), false);
        COkDialog *box = COkDialog::ShowModeless(Utf8ToGbk("确 定"), "x", &owner);
        QCOMPARE(hooks.isMessageBoxOpen(), false);
        bool openDuringModal = false;
        QTimer::singleShot(0, [&] {
            openDuringModal = hooks.isMessageBoxOpen();
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *modal = qobject_cast<COkDialog *>(widget); modal && modal->IsModalRunning())
                    QTest::mouseClick(modal->Button(), Qt::LeftButton);
            }
        });
        COkDialog::Show(Utf8ToGbk("确 定"), "y", &owner);
        QCOMPARE(openDuringModal, true);
        QCOMPARE(hooks.isMessageBoxOpen(), false);
        QTest::mouseClick(box->Button(), Qt::LeftButton);

        ClearServiceHooks();
        QCOMPARE(static_cast<bool>(GetServiceHooks().showMessage), false);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
