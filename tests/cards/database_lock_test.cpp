// The right to write a database directory: one holder at a time, named to the others, free again
// the moment its holder dies.

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include "cards/card_files.h"
#include "support/child_process.h"
#include "cards/database_lock.h"

namespace gsmprog {
namespace {

using namespace gsmprog::test;
using Outcome = DatabaseLock::Outcome;

TEST(DatabaseLock, OneHolderAtATimeNamedToTheOthers) {
    TempDir dir;
    DatabaseLock window(dir.Path()), command(dir.Path());
    ASSERT_EQ(window.Take("gsmprog"), Outcome::Taken);
    ASSERT_EQ(command.Take("gsmprog-cli"), Outcome::Held);
    EXPECT_EQ(command.Holder().pid, long(::getpid()));
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char time[8];
    std::strftime(time, sizeof time, "%H:%M", &local);
    EXPECT_EQ(command.Refusal(), std::string("База карточек уже открыта: gsmprog на ") + host +
                                     ", пользователь " + ::getpwuid(::geteuid())->pw_name + ", с " + time);

    window.Release();
    EXPECT_EQ(command.Take("gsmprog-cli"), Outcome::Taken);
    EXPECT_EQ(window.Take("gsmprog"), Outcome::Held);
    EXPECT_EQ(window.Holder().program, "gsmprog-cli");
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"ProgInfo_12.GAD.lock"});
}

TEST(DatabaseLock, IsFreeTheMomentItsHolderIsKilled) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        DatabaseLock lock(dir.Path());
        const char taken = lock.Take("gsmprog") == Outcome::Taken ? 'y' : 'n';
        if (::write(ready[1], &taken, 1) != 1) ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    char taken = 0;
    ASSERT_EQ(::read(ready[0], &taken, 1), 1);
    ASSERT_EQ(taken, 'y');
    DatabaseLock lock(dir.Path());
    EXPECT_EQ(lock.Take("gsmprog-cli"), Outcome::Held);
    EXPECT_EQ(lock.Holder().pid, long(holder));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(lock.Take("gsmprog-cli"), Outcome::Taken) << "no stale lock";
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
}  // namespace gsmprog
