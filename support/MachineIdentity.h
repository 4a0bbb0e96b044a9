// The two machine identifiers sent with the statistics request.
#pragma once

#include <string>

// CPUID leaf 1: the feature flags (EDX) then the processor signature (EAX),
// as 16 lower-case hex digits. The same on every run on one machine; all zeros
// where the processor has no CPUID.
std::string CpuSignature();

// The hardware address of the machine's first network adapter as 12
// upper-case hex digits, or empty when there is no such adapter.
std::string MacAddress();
