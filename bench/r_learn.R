# One timed call of gaussnet_learn for bench/r.sh:
#
#   Rscript r_learn.R DATA N_CASES N_VARS NET THREADS
#
# prints "seconds=S call_s=W cpu_s=C extra_mb=M bare_s=B": the run's own
# seconds, the call's wall and processor time (all threads), the peak resident
# memory the call added to the process (VmHWM after the call, the peak having
# been reset just before it, less VmRSS before it), and the wall time of a
# second call without the true network (no moral graph, no scoring: the work
# the program's learner seconds cover).
library(gaussnet)

status_mb <- function(key) {
  line <- grep(paste0("^", key, ":"), readLines("/proc/self/status"), value = TRUE)
  as.numeric(strsplit(trimws(sub(".*:", "", line)), " +")[[1]][1]) / 1000
}

args <- commandArgs(TRUE)
n_cases <- as.integer(args[2])
n_vars <- as.integer(args[3])
data <- matrix(scan(args[1], skip = 1, nmax = n_cases * n_vars, quiet = TRUE), n_cases, n_vars, byrow = TRUE)
lines <- readLines(args[4], n = n_vars)
truth <- t(vapply(lines, function(line) strsplit(substr(line, 1, n_vars), "")[[1]] != "0", logical(n_vars)))
writeLines("5", "/proc/self/clear_refs")  # resets the peak (VmHWM) to the current size
before <- status_mb("VmRSS")
time <- system.time(run <- gaussnet_learn(data, learners = "IAMB2", truth = truth, threads = as.integer(args[5]))$IAMB2,
                    gcFirst = FALSE)
extra_mb <- status_mb("VmHWM") - before
bare <- system.time(gaussnet_learn(data, learners = "IAMB2", threads = as.integer(args[5])), gcFirst = FALSE)
# system.time's processor figures include the threads the call started and joined.
cat(sprintf("seconds=%.3f call_s=%.3f cpu_s=%.3f extra_mb=%.1f bare_s=%.3f\n", run$seconds, time[["elapsed"]],
            time[["user.self"]] + time[["sys.self"]], extra_mb, bare[["elapsed"]]))
