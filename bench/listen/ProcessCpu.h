#pragma once
#include <sys/types.h>

#include <map>
#include <string>

// CPU time from /proc, in seconds: user + system.
double processCpuSeconds(pid_t pid);
// Per thread, by the thread's name; SDL's audio threads under one name whatever their number, the main thread
// as "show (main)".
std::map<std::string, double> threadCpuSeconds(pid_t pid);
