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
#include <QFile>
#include <QtTest>

namespace {

constexpr int kKeywords = 100000;

// The two services live for the whole run and end before the application object does.
std::unique_ptr<SignedInSession> g_small, g_big;

SignedInSession &Session(bool large)
{
    std::unique_ptr<SignedInSession> &session = large ? g_big : g_small;
    if (!session) {
        SignedInSession::Options options;
        options.signIn = false;
        if (large)
            options.serviceArgs = {"--bench-keywords", std::to_string(kKeywords)};
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
