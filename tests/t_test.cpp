// SPDX-License-Identifier: ISC
// Black-box tests: each case starts the built t as a process of its own,
// with the descriptors, signal state, arguments and environment it sets up,
// and checks what arrives on stdout and stderr and how the process ended.
// A t built for another processor is started through T_LAUNCHER, an
// emulator command whose words are separated by semicolons.

#include <gtest/gtest.h>

#include "t_test_paths.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Where the child's stdout goes.
enum class Out {
	File,          // a regular file
	Pipe,          // a pipe read after the child has ended
	Terminal,      // a terminal, so stdout is line-buffered
	Closed,        // descriptor 1 not open
	ReadOnly,      // descriptor 1 open, but only for reading
	Full,          // /dev/full
	BrokenPipe,    // a pipe whose read end is already closed
	StuckPipe,     // a full non-blocking pipe
	StuckTerminal, // a terminal, as full as the pipe
};

enum class Sigpipe { Default, Ignored, Blocked };

struct Conditions {
	std::vector<std::string> argv{"t"}; // empty: argc is 0
	std::vector<std::string> env{"PATH=/usr/bin:/bin"};
	Out out = Out::File;
	bool stdin_closed = false;
	bool stderr_closed = false;
	Sigpipe sigpipe = Sigpipe::Default;
};

struct Result {
	std::string out;
	std::string err;
	int status = 0; // as from waitpid
};

// Opened descriptors never take 0, 1 or 2, so that the child's dup2 onto
// those always makes a fresh, inheritable copy, however the test runner's
// own standard descriptors were left.
int
keep(int fd)
{
	if (fd < 0)
		ADD_FAILURE() << "open: " << strerror(errno);
	else if (fd < 3) {
		int high = fcntl(fd, F_DUPFD_CLOEXEC, 3);
		close(fd);
		fd = high;
	}
	return fd;
}

int
temp_file()
{
	std::string path = testing::TempDir() + "t_test.XXXXXX";
	int fd = keep(mkostemp(path.data(), O_CLOEXEC));
	unlink(path.c_str());
	return fd;
}

std::string
read_all(int fd, bool rewind)
{
	std::string s;
	char buf[4096];
	ssize_t n;
	if (rewind)
		lseek(fd, 0, SEEK_SET);
	while ((n = read(fd, buf, sizeof buf)) > 0)
		s.append(buf, static_cast<size_t>(n));
	close(fd);
	return s;
}

// Fills a descriptor until it refuses even one more byte without blocking,
// and returns how many bytes it took.  A terminal passes what it has taken on
// to its other side a little later, making room again, so keep going until a
// pause has made no room.
size_t
fill(int fd)
{
	int fl = fcntl(fd, F_GETFL);
	fcntl(fd, F_SETFL, fl | O_NONBLOCK);
	char buf[4096] = {};
	size_t total = 0, round;
	do {
		ssize_t n;
		round = 0;
		while ((n = write(fd, buf, sizeof buf)) > 0)
			round += static_cast<size_t>(n);
		while (write(fd, buf, 1) > 0)
			round++;
		total += round;
		usleep(20000);
	} while (round > 0);
	return total;
}

std::vector<std::string>
launcher()
{
	std::vector<std::string> words;
	std::stringstream ss(T_LAUNCHER);
	std::string w;
	while (std::getline(ss, w, ';'))
		if (!w.empty())
			words.push_back(w);
	return words;
}

bool
emulated()
{
	return !launcher().empty();
}

// The command that starts a program (t, by default) with the given argv,
// and extra words for the emulator, if there is one.  argv[0] reaches the
// program as it is.
std::vector<std::string>
command(const std::vector<std::string> &argv,
    const std::vector<std::string> &emulator_options = {},
    const char *program = T_PROGRAM)
{
	std::vector<std::string> cmd = launcher();
	if (cmd.empty())
		return argv;
	cmd.insert(cmd.end(), emulator_options.begin(), emulator_options.end());
	if (!argv.empty()) {
		cmd.push_back("-0");
		cmd.push_back(argv[0]);
	}
	cmd.push_back(program);
	if (!argv.empty())
		cmd.insert(cmd.end(), argv.begin() + 1, argv.end());
	return cmd;
}

std::vector<char *>
pointers(std::vector<std::string> &v)
{
	std::vector<char *> p;
	for (auto &s : v)
		p.push_back(s.data());
	p.push_back(nullptr);
	return p;
}

// Where a child's stdout goes, and where the parent reads it back from.
struct Stdout {
	int child = -1;
	int parent = -1;
	bool rewind = false;
	size_t filler = 0; // bytes put there before the child ran
};

Stdout
open_stdout(Out out)
{
	Stdout s;
	int p[2];
	switch (out) {
	case Out::File:
		s.child = s.parent = temp_file();
		s.rewind = true;
		break;
	case Out::Pipe:
	case Out::BrokenPipe:
	case Out::StuckPipe:
		if (pipe2(p, O_CLOEXEC) != 0)
			ADD_FAILURE() << "pipe: " << strerror(errno);
		s.parent = keep(p[0]);
		s.child = keep(p[1]);
		if (out == Out::BrokenPipe) {
			close(s.parent);
			s.parent = -1;
		} else if (out == Out::StuckPipe)
			s.filler = fill(s.child);
		break;
	case Out::Closed:
		break;
	case Out::ReadOnly:
		s.child = keep(open("/dev/null", O_RDONLY | O_CLOEXEC));
		break;
	case Out::Full:
		s.child = keep(open("/dev/full", O_WRONLY | O_CLOEXEC));
		break;
	case Out::Terminal:
	case Out::StuckTerminal:
		// The master stays open, unread, until the child has ended.
		s.parent = keep(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
		if (grantpt(s.parent) != 0 || unlockpt(s.parent) != 0)
			ADD_FAILURE() << "pty: " << strerror(errno);
		s.child = keep(
		    open(ptsname(s.parent), O_RDWR | O_NOCTTY | O_CLOEXEC));
		if (out == Out::StuckTerminal)
			s.filler = fill(s.child);
		else {
			// Raw, so that the newline arrives as it was
			// written, not as a carriage return and newline.
			termios raw;
			tcgetattr(s.child, &raw);
			cfmakeraw(&raw);
			tcsetattr(s.child, TCSANOW, &raw);
		}
		break;
	}
	return s;
}

Result
run(Conditions c)
{
	Result r;
	Stdout out = open_stdout(c.out);
	int in = keep(open("/dev/null", O_RDONLY | O_CLOEXEC));
	int err = temp_file();
	std::vector<std::string> cmd = command(c.argv);
	std::string path = emulated() ? cmd[0] : T_PROGRAM;
	std::vector<char *> argv = pointers(cmd);
	std::vector<char *> env = pointers(c.env);

	pid_t pid = fork();
	if (pid == 0) {
		if (c.stdin_closed)
			close(0);
		else
			dup2(in, 0);
		if (out.child < 0)
			close(1);
		else
			dup2(out.child, 1);
		if (c.stderr_closed)
			close(2);
		else
			dup2(err, 2);
		signal(
		    SIGPIPE, c.sigpipe == Sigpipe::Ignored ? SIG_IGN : SIG_DFL);
		sigset_t mask;
		sigemptyset(&mask);
		if (c.sigpipe == Sigpipe::Blocked)
			sigaddset(&mask, SIGPIPE);
		sigprocmask(SIG_SETMASK, &mask, nullptr);
		execve(path.c_str(), argv.data(), env.data());
		_exit(127);
	}
	EXPECT_GT(pid, 0) << "fork: " << strerror(errno);
	close(in);
	if (out.child != out.parent)
		close(out.child);
	EXPECT_EQ(waitpid(pid, &r.status, 0), pid);
	if (out.parent >= 0)
		r.out = read_all(out.parent, out.rewind).substr(out.filler);
	r.err = read_all(err, true);
	return r;
}

// The text of an error as t's C library words it, from t_strerror, which
// is built as t is: this program's own strerror may be another library's.
std::string
libc_strerror(int error)
{
	int out = temp_file();
	std::vector<std::string> cmd =
	    command({"t_strerror", std::to_string(error)}, {}, T_STRERROR);
	std::string path = emulated() ? cmd[0] : T_STRERROR;
	std::vector<char *> argv = pointers(cmd);
	pid_t pid = fork();
	if (pid == 0) {
		dup2(out, 1);
		execv(path.c_str(), argv.data());
		_exit(127);
	}
	int status = -1;
	EXPECT_GT(pid, 0) << "fork: " << strerror(errno);
	EXPECT_EQ(waitpid(pid, &status, 0), pid);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
	    << "t_strerror: wait status " << status;
	std::string text = read_all(out, true);
	if (text.empty() || text.back() != '\n')
		ADD_FAILURE() << "t_strerror printed: " << text;
	else
		text.pop_back();
	return text;
}

std::string
write_error(int error)
{
	return "t: write error: " + libc_strerror(error) + "\n";
}

void
expect_ok(const Result &r)
{
	EXPECT_EQ(r.out, "ok\n");
	EXPECT_EQ(r.err, "");
	ASSERT_TRUE(WIFEXITED(r.status)) << "wait status " << r.status;
	EXPECT_EQ(WEXITSTATUS(r.status), 0);
}

// Whatever the arguments, the same line and status.

struct ArgvCase {
	const char *name;
	std::vector<std::string> argv;
};

void
PrintTo(const ArgvCase &c, std::ostream *os)
{
	*os << c.name;
}

class Arguments : public testing::TestWithParam<ArgvCase> {};

TEST_P(Arguments, AreIgnored)
{
	if (GetParam().argv.empty() && emulated())
		GTEST_SKIP() << "the emulator always gives t an argv[0]";
	Conditions s;
	s.argv = GetParam().argv;
	expect_ok(run(s));
}

std::vector<std::string>
many()
{
	std::vector<std::string> v{"t"};
	for (int i = 0; i < 5000; i++)
		v.push_back("arg" + std::to_string(i));
	return v;
}

INSTANTIATE_TEST_SUITE_P(, Arguments,
    testing::Values(ArgvCase{"None", {"t"}}, ArgvCase{"ArgcZero", {}},
        ArgvCase{"Options", {"t", "--help", "-h", "--version", "-", "--"}},
        ArgvCase{"Empty", {"", "", ""}},
        ArgvCase{"OddBytes",
            {"t", "\xff\xfe\x80", "\x1b[2J", "%s%n%x", "\n", " ", "\x01\x7f"}},
        ArgvCase{"Long", {"t", std::string(100000, 'x')}},
        ArgvCase{"Many", many()}),
    [](const auto &info) { return std::string(info.param.name); });

// Nothing is read from stdin or the environment.

struct EnvCase {
	const char *name;
	std::vector<std::string> env;
	bool stdin_closed;
};

void
PrintTo(const EnvCase &c, std::ostream *os)
{
	*os << c.name;
}

class Surroundings : public testing::TestWithParam<EnvCase> {};

TEST_P(Surroundings, ChangeNothing)
{
	Conditions s;
	s.env = GetParam().env;
	s.stdin_closed = GetParam().stdin_closed;
	expect_ok(run(s));
}

INSTANTIATE_TEST_SUITE_P(, Surroundings,
    testing::Values(EnvCase{"EmptyEnvironment", {}, false},
        EnvCase{"StdinAtEnd", {"PATH=/usr/bin:/bin"}, false},
        EnvCase{"StdinClosed", {"PATH=/usr/bin:/bin"}, true},
        EnvCase{"NothingAtAll", {}, true}),
    [](const auto &info) { return std::string(info.param.name); });

// The whole line reaches a file, a pipe or a terminal, whether the stream
// holds it until the end or writes it at once.

class Destination : public testing::TestWithParam<Out> {};

TEST_P(Destination, ReceivesExactlyTheLine)
{
	Conditions s;
	s.out = GetParam();
	expect_ok(run(s));
}

INSTANTIATE_TEST_SUITE_P(, Destination,
    testing::Values(Out::File, Out::Pipe, Out::Terminal), [](const auto &info) {
	    switch (info.param) {
	    case Out::File:
		    return "File";
	    case Out::Pipe:
		    return "Pipe";
	    default:
		    return "Terminal";
	    }
    });

// A line that cannot be delivered is reported, once, and the status is 1.

struct FailCase {
	const char *name;
	Out out;
	Sigpipe sigpipe;
	int error;
};

void
PrintTo(const FailCase &c, std::ostream *os)
{
	*os << c.name;
}

class WriteError : public testing::TestWithParam<FailCase> {};

TEST_P(WriteError, IsReportedWithStatusOne)
{
	Conditions s;
	s.out = GetParam().out;
	s.sigpipe = GetParam().sigpipe;
	Result r = run(s);
	EXPECT_EQ(r.out, "");
	EXPECT_EQ(r.err, write_error(GetParam().error));
	ASSERT_TRUE(WIFEXITED(r.status)) << "wait status " << r.status;
	EXPECT_EQ(WEXITSTATUS(r.status), 1);
}

TEST_P(WriteError, GivesStatusOneWithStderrClosed)
{
	Conditions s;
	s.out = GetParam().out;
	s.sigpipe = GetParam().sigpipe;
	s.stderr_closed = true;
	Result r = run(s);
	EXPECT_EQ(r.out, "");
	ASSERT_TRUE(WIFEXITED(r.status)) << "wait status " << r.status;
	EXPECT_EQ(WEXITSTATUS(r.status), 1);
}

INSTANTIATE_TEST_SUITE_P(, WriteError,
    testing::Values(
        FailCase{"StdoutClosed", Out::Closed, Sigpipe::Default, EBADF},
        FailCase{"StdoutReadOnly", Out::ReadOnly, Sigpipe::Default, EBADF},
        FailCase{"DeviceFull", Out::Full, Sigpipe::Default, ENOSPC},
        FailCase{"BrokenPipeSigpipeIgnored", Out::BrokenPipe, Sigpipe::Ignored,
            EPIPE},
        FailCase{"BrokenPipeSigpipeBlocked", Out::BrokenPipe, Sigpipe::Blocked,
            EPIPE},
        FailCase{"PipeFull", Out::StuckPipe, Sigpipe::Default, EAGAIN},
        FailCase{"TerminalFull", Out::StuckTerminal, Sigpipe::Default, EAGAIN}),
    [](const auto &info) { return std::string(info.param.name); });

// With SIGPIPE at its default, a reader that has gone ends t by that signal,
// before it can say anything.
TEST(BrokenPipe, KillsBySigpipeAtDefault)
{
	Conditions s;
	s.out = Out::BrokenPipe;
	Result r = run(s);
	EXPECT_EQ(r.err, "");
	ASSERT_TRUE(WIFSIGNALED(r.status)) << "wait status " << r.status;
	EXPECT_EQ(WTERMSIG(r.status), SIGPIPE);
}

#ifdef T_CHECK_MXCSR
// The floating-point mode of the real process, read by ptrace: stopped at
// its exec, the child is given a starting MXCSR, and at its exit MXCSR must
// be that value with flush-to-zero and denormals-are-zero set, and nothing
// else changed.

constexpr unsigned ftz_daz = 0x8040;

class FloatingPointMode : public testing::TestWithParam<unsigned> {};

TEST_P(FloatingPointMode, SetsFtzAndDazOnly)
{
	unsigned start = GetParam();
	int out = temp_file();
	char name[] = "t";
	char *argv[] = {name, nullptr};
	char *env[] = {nullptr};

	pid_t pid = fork();
	if (pid == 0) {
		dup2(out, 1);
		ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
		execve(T_PROGRAM, argv, env);
		_exit(127);
	}
	ASSERT_GT(pid, 0) << "fork: " << strerror(errno);

	int status;
	ASSERT_EQ(waitpid(pid, &status, 0), pid);
	ASSERT_TRUE(WIFSTOPPED(status) && WSTOPSIG(status) == SIGTRAP)
	    << "not stopped at exec, wait status " << status;
	ASSERT_EQ(ptrace(PTRACE_SETOPTIONS, pid, nullptr,
	              PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL),
	    0);

	user_fpregs_struct fp;
	ASSERT_EQ(ptrace(PTRACE_GETFPREGS, pid, nullptr, &fp), 0);
	fp.mxcsr = start;
	ASSERT_EQ(ptrace(PTRACE_SETFPREGS, pid, nullptr, &fp), 0);
	ASSERT_EQ(ptrace(PTRACE_GETFPREGS, pid, nullptr, &fp), 0);
	ASSERT_EQ(fp.mxcsr, start) << "the starting value did not take";

	ASSERT_EQ(ptrace(PTRACE_CONT, pid, nullptr, nullptr), 0);
	ASSERT_EQ(waitpid(pid, &status, 0), pid);
	ASSERT_TRUE(WIFSTOPPED(status) &&
	    status >> 8 == (SIGTRAP | PTRACE_EVENT_EXIT << 8))
	    << "not stopped at exit, wait status " << status;
	ASSERT_EQ(ptrace(PTRACE_GETFPREGS, pid, nullptr, &fp), 0);
	EXPECT_EQ(fp.mxcsr, start | ftz_daz)
	    << std::hex << "start 0x" << start << ", at exit 0x" << fp.mxcsr;

	ASSERT_EQ(ptrace(PTRACE_CONT, pid, nullptr, nullptr), 0);
	ASSERT_EQ(waitpid(pid, &status, 0), pid);
	ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
	EXPECT_EQ(WEXITSTATUS(status), 0);
	EXPECT_EQ(read_all(out, true), "ok\n");
}

INSTANTIATE_TEST_SUITE_P(, FloatingPointMode,
    testing::Values(0x1f80u, // the default: all exceptions masked
        0x9fc0u,             // both bits already set
        0x9f80u,             // flush-to-zero alone
        0x1fc0u,             // denormals-are-zero alone
        0x3f80u,             // round down
        0x5f80u,             // round up
        0x7f80u,             // round toward zero
        0x1fbfu,             // every exception flag raised
        0x1d80u,             // divide-by-zero unmasked
        0x0000u),            // every exception unmasked
    [](const auto &info) {
	    char name[16];
	    snprintf(name, sizeof name, "Mxcsr%04X", info.param);
	    return std::string(name);
    });

#endif

#ifdef T_CHECK_FPCR
// The floating-point mode of the emulated process, read through the
// emulator's debugger stub: the child waits at its first instruction, is
// given a starting FPCR, and at _exit FPCR must be that value with FZ set,
// and nothing else changed.

constexpr unsigned long fz = 0x01000000;

// What gdb printed after the word, as a number, or -1.
long
printed(const std::string &output, const std::string &word)
{
	size_t i = output.find(word + " 0x");
	if (i == std::string::npos)
		return -1;
	return strtol(output.c_str() + i + word.size() + 1, nullptr, 16);
}

class FloatingPointMode : public testing::TestWithParam<unsigned long> {};

TEST_P(FloatingPointMode, SetsFzOnly)
{
	unsigned long start = GetParam();
	std::string base =
	    testing::TempDir() + "t_test." + std::to_string(getpid());
	std::string sock = base + ".sock", script = base + ".gdb";
	unlink(sock.c_str());
	std::ofstream(script) << "set pagination off\n"
	                      << "set sysroot /usr/aarch64-linux-gnu\n"
	                      << "set breakpoint pending on\n"
	                      << "target remote " << sock << "\n"
	                      << "set $fpcr = " << start << "\n"
	                      << "printf \"start 0x%lx\\n\", $fpcr\n"
	                      << "break _exit\n"
	                      << "continue\n"
	                      << "printf \"exit 0x%lx\\n\", $fpcr\n"
	                      << "continue\n";

	int out = temp_file();
	std::vector<std::string> cmd = command({"t"}, {"-g", sock});
	std::vector<char *> argv = pointers(cmd);
	char *env[] = {nullptr};
	pid_t pid = fork();
	if (pid == 0) {
		dup2(out, 1);
		execve(cmd[0].c_str(), argv.data(), env);
		_exit(127);
	}
	ASSERT_GT(pid, 0) << "fork: " << strerror(errno);
	for (int i = 0; i < 1000 && access(sock.c_str(), F_OK) != 0; i++)
		usleep(10000);

	std::string gdb = std::string(T_GDB) + " -batch -nx -x " + script +
	    " " + T_PROGRAM + " 2>&1";
	std::string output;
	if (FILE *p = popen(gdb.c_str(), "r")) {
		char buf[4096];
		size_t n;
		while ((n = fread(buf, 1, sizeof buf, p)) > 0)
			output.append(buf, n);
		pclose(p);
	}
	unlink(script.c_str());
	unlink(sock.c_str());

	int status = 0;
	for (int i = 0; i < 1000 && waitpid(pid, &status, WNOHANG) == 0; i++)
		usleep(10000);
	if (waitpid(pid, &status, WNOHANG) == 0) {
		kill(pid, SIGKILL);
		waitpid(pid, &status, 0);
		ADD_FAILURE() << "t did not end";
	}

	ASSERT_EQ(printed(output, "start"), static_cast<long>(start))
	    << "the starting value did not take:\n"
	    << output;
	EXPECT_EQ(printed(output, "exit"), static_cast<long>(start | fz))
	    << output;
	ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
	EXPECT_EQ(WEXITSTATUS(status), 0);
	EXPECT_EQ(read_all(out, true), "ok\n");
}

INSTANTIATE_TEST_SUITE_P(, FloatingPointMode,
    testing::Values(0x00000000ul, // the default
        0x01000000ul,             // FZ already set
        0x00400000ul,             // round toward plus infinity
        0x00800000ul,             // round toward minus infinity
        0x00c00000ul,             // round toward zero
        0x02000000ul,             // default NaN
        0x04000000ul,             // alternative half precision
        0x00080000ul,             // FZ16, which stays as it is
        0x06c80000ul),            // all of these together
    [](const auto &info) {
	    char name[20];
	    snprintf(name, sizeof name, "Fpcr%08lX", info.param);
	    return std::string(name);
    });
#endif

} // namespace
