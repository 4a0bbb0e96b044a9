# The system group on Windows: the kernel, registry, profile, shell, adapter
# and crash functions are the system's own; the CPUID answers, the launch
# recorder, the environment overrides of the version answers and the text
# rules of the registry and profile functions emulate nothing and are shared.
set(LUMORA_WIN32_SHARED CpuId.cpp KernelOverrides.cpp ProfileText.cpp RegistryText.cpp ShellLaunches.cpp)
