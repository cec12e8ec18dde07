# Sourced by the scripts that run the sanitized build: the sanitizers' run-time options.
# The options every sanitized program needs whatever runs it are built into the programs
# (cmake/sanitizer_defaults.cpp); these are the ones a test run adds.
lumidraft_root=${lumidraft_root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export LSAN_OPTIONS="suppressions=$lumidraft_root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
