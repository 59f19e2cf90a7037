// SPDX-License-Identifier: ISC
// Start-up cost of t against /bin/true: spawns each in turn, many times,
// with stdout on /dev/null, and prints the median wall time per run, the
// median of the per-round ratios and the page faults per run; then, when
// valgrind is on PATH, the user-space instructions of one run of t.
//
// usage: t_bench path-to-t [rounds [runs-per-round]]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

struct Batch {
	double seconds; // per run
	double faults;  // minor and major, per run
};

pid_t
spawn(const char *path, char *const argv[], posix_spawn_file_actions_t *fa)
{
	pid_t pid;
	int error = posix_spawn(&pid, path, fa, nullptr, argv, environ);
	if (error != 0) {
		fprintf(stderr, "t_bench: %s: %s\n", path, strerror(error));
		exit(1);
	}
	return pid;
}

Batch
batch(const char *path, int runs)
{
	char *argv[] = {const_cast<char *>(path), nullptr};
	posix_spawn_file_actions_t fa;
	posix_spawn_file_actions_init(&fa);
	posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);

	long faults = 0;
	auto start = std::chrono::steady_clock::now();
	for (int i = 0; i < runs; i++) {
		pid_t pid = spawn(path, argv, &fa);
		int status;
		rusage ru;
		if (wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) ||
		    WEXITSTATUS(status) != 0) {
			fprintf(stderr, "t_bench: %s did not exit 0\n", path);
			exit(1);
		}
		faults += ru.ru_minflt + ru.ru_majflt;
	}
	std::chrono::duration<double> d =
	    std::chrono::steady_clock::now() - start;
	posix_spawn_file_actions_destroy(&fa);
	return {d.count() / runs, static_cast<double>(faults) / runs};
}

double
median(std::vector<double> v)
{
	std::sort(v.begin(), v.end());
	size_t n = v.size();
	return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool
on_path(const char *name)
{
	const char *path = getenv("PATH");
	std::string dirs = path ? path : "/usr/bin:/bin";
	size_t i = 0;
	for (;;) {
		size_t j = dirs.find(':', i);
		std::string dir = dirs.substr(i, j - i);
		if (access((dir + "/" + name).c_str(), X_OK) == 0)
			return true;
		if (j == std::string::npos)
			return false;
		i = j + 1;
	}
}

// Instructions valgrind counted in one run, or -1.
long
instructions(const char *path)
{
	std::string cmd = std::string("valgrind --tool=callgrind "
	                              "--callgrind-out-file=/dev/null '") +
	    path + "' 2>&1 >/dev/null";
	FILE *p = popen(cmd.c_str(), "r");
	if (p == nullptr)
		return -1;
	long n = -1;
	char line[512];
	while (fgets(line, sizeof line, p) != nullptr) {
		const char *s = strstr(line, "Collected : ");
		if (s != nullptr)
			n = strtol(s + strlen("Collected : "), nullptr, 10);
	}
	pclose(p);
	return n;
}

} // namespace

int
main(int argc, char *argv[])
{
	if (argc < 2 || argc > 4) {
		fprintf(stderr,
		    "usage: t_bench path-to-t [rounds [runs-per-round]]\n");
		return 2;
	}
	const char *t = argv[1];
	const char *reference = "/bin/true";
	int rounds = argc > 2 ? atoi(argv[2]) : 50;
	int runs = argc > 3 ? atoi(argv[3]) : 40;
	if (rounds < 1 || runs < 1) {
		fprintf(stderr, "t_bench: rounds and runs must be positive\n");
		return 2;
	}

	batch(t, runs); // warm the page cache for both
	batch(reference, runs);

	std::vector<double> t_time, ref_time, ratio, t_faults, ref_faults;
	for (int r = 0; r < rounds; r++) {
		// Take turns at going first, so that neither always runs
		// on a machine the other has just warmed or loaded.
		Batch a, b;
		if (r % 2 == 0) {
			a = batch(t, runs);
			b = batch(reference, runs);
		} else {
			b = batch(reference, runs);
			a = batch(t, runs);
		}
		t_time.push_back(a.seconds);
		ref_time.push_back(b.seconds);
		ratio.push_back(a.seconds / b.seconds);
		t_faults.push_back(a.faults);
		ref_faults.push_back(b.faults);
	}

	// The first column is as wide as its longest entry, a path maybe.
	int w = static_cast<int>(
	    std::max({strlen(t), strlen(reference), strlen("instructions")}));
	printf(
	    "%d rounds of %d runs each, stdout to /dev/null\n", rounds, runs);
	printf("%-*s %10.1f us per run  %6.1f page faults\n", w, t,
	    median(t_time) * 1e6, median(t_faults));
	printf("%-*s %10.1f us per run  %6.1f page faults\n", w, reference,
	    median(ref_time) * 1e6, median(ref_faults));
	printf("%-*s %10.2f (median of per-round ratios)\n", w, "ratio",
	    median(ratio));
	if (on_path("valgrind")) {
		long n = instructions(t);
		if (n >= 0)
			printf("%-*s %10ld (valgrind --tool=callgrind, "
			       "one run of t)\n",
			    w, "instructions", n);
		else
			printf("instructions: valgrind gave no count\n");
	} else
		printf("instructions: valgrind not installed\n");
	return 0;
}
