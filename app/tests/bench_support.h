// What the benchmarks measure besides time: how long the user-interface
// thread leaves input waiting. A prober thread posts it a stamped message
// every 10 ms, as input arrives; RunUntil handles the thread's messages
// (through the program's loop) and notes the longest wait of a probe.
#ifndef SKOVALT_TESTS_BENCH_SUPPORT_H
#define SKOVALT_TESTS_BENCH_SUPPORT_H

#include <windows.h>

#include <functional>

// Seconds from a steady clock.
double Now();

struct Responsiveness {
    double longestProbeWait;  // seconds
    double longestTimerGap;   // seconds between ticks of a 10 ms timer
    double threadSeconds;     // processor time of the calling thread
};

// Runs the calling thread's messages through handle until done() holds,
// probing meanwhile; start() runs once the probes are going. The thread's
// processor time counts from start() to done().
Responsiveness RunProbed(const std::function<void()> &start, const std::function<bool()> &done,
                         const std::function<void(MSG *)> &handle);

#endif
