#pragma once

// What the programs' exit code says, the same for Tevlin, Corlift and ampsim. Where several apply,
// the code is the first of: interrupted, a port did not open, failed.
namespace common {

enum ExitCode
{
    ExitSuccess = 0,
    // Corlift: a product was not flashed (rejected, failed, no boot loader), its record was not
    // written, or --check: the file cannot be flashed. Tevlin: no answer in time, a damaged reply,
    // a missing acknowledgement, a setting not confirmed, no amplifier found. ampsim: a start-up
    // failure.
    ExitFailed = 1,
    ExitUsage = 2,
    ExitPortError = 3,
    // Ctrl+C, SIGTERM or SIGHUP before the work was done.
    ExitInterrupted = 130,
};

} // namespace common
