// From pressing the sign-in button to the main window painted, against the reference service on
// loopback: with 10^5 keywords to synchronise into an empty local store, and with nothing to
// synchronise (the store already up to date). Run by hand: build/bench/bin/signin_bench
#include "GdipButton.h"
#include "Keywords.h"
#include "MyEdit.h"
#include "PenlarkDlg.h"
#include "SignedInSession.h"
#include "UserLoginDlg.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

namespace {

constexpr int kKeywords = 100000;

// A seed folder like data/ whose keyword list holds n distinct words of two to four characters.
QString MakeSeedWithKeywords(QTemporaryDir &dir, int n)
{
    const QDir source(QString::fromUtf8(PLATFORM_DATA_DIR));
    for (const QString &name : source.entryList(QDir::Files))
        QFile::copy(source.filePath(name), dir.filePath(name));
    QFile::remove(dir.filePath("keywords.tsv"));
    std::ofstream out(dir.filePath("keywords.tsv").toStdString());
    out << "# id\tkeyword\n";
    for (int i = 0; i < n; ++i) {
        QString word;
        int rest = i;
        const int length = 2 + i % 3;
        for (int c = 0; c < length; ++c) {
            word += QChar(0x4E00 + rest % 3000);
            rest = rest / 3000 + (c + 1) * 7;
        }
        out << (i + 1) << '\t' << word.toStdString() << '\n';
    }
    return dir.path();
}

// The two services live for the whole run and end before the application object does.
std::unique_ptr<SignedInSession> g_small, g_big;

SignedInSession &Session(bool large)
{
    static QTemporaryDir seed;
    std::unique_ptr<SignedInSession> &session = large ? g_big : g_small;
    if (!session) {
        SignedInSession::Options options;
        options.signIn = false;
        if (large)
            options.serviceArgs = {"--data", MakeSeedWithKeywords(seed, kKeywords).toStdString()};
        session = SignedInSession::Start(options);
    }
    return *session;
}

// Signs in from a fresh sign-in window and waits for the main window's first paint.
void SignInOnce(benchmark::State *state, SignedInSession &session, bool emptyStore)
{
    if (state)
        state->PauseTiming();
    if (emptyStore) {
        QFile::remove(QString::fromStdString(session.DatabasePath()));
        QFile::copy(QString(PENLARK_APP_DIR) + "/write.dll", QString::fromStdString(session.DatabasePath()));
        QFile::setPermissions(QString::fromStdString(session.DatabasePath()), QFile::ReadOwner | QFile::WriteOwner);
    }
    CUserLoginDlg *window = session.OpenSignInWindow();
    window->UserNameEdit()->SetWindowText("xuesheng");
    window->PasswordEdit()->SetWindowText("123456");
    QCoreApplication::processEvents();
    if (state)
        state->ResumeTiming();

    CpenlarkDlg *main = session.SignIn("xuesheng", "123456");
    if (!main) {
        if (state)
            state->SkipWithError("the sign-in did not reach the main window");
        return;
    }
    main->repaint(); // painted, not only shown

    if (state) {
        state->PauseTiming();
        state->counters["keywords"] = static_cast<double>(KeywordList.size());
    }
    main->SwitchAccount();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (state)
        state->ResumeTiming();
}

void BM_SignInSynchronising100kKeywords(benchmark::State &state)
{
    SignedInSession &session = Session(true);
    for (auto _ : state)
        SignInOnce(&state, session, true);
}
BENCHMARK(BM_SignInSynchronising100kKeywords)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_SignInNothingToSynchronise(benchmark::State &state)
{
    SignedInSession &session = Session(false);
    SignInOnce(nullptr, session, true); // the first sign-in brings the store up to date
    for (auto _ : state)
        SignInOnce(&state, session, false);
}
BENCHMARK(BM_SignInNothingToSynchronise)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    PrepareScreenTestApplication();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_small.reset();
    g_big.reset();
    return 0;
}
