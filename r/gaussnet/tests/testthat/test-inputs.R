# Bad input is a classed condition with the program's message, never a crash;
# names, layouts and element types; Ctrl-C.

small <- gaussnet_simulate(6, 200, seed = 3)
values <- as.matrix(small$data)
with_cell <- function(value, row = 3, column = 2) {
  values[row, column] <- value
  values
}
twin <- cbind(values, X7 = values[, 3])
frame <- data.frame(a = values[, 1], b = as.character(values[, 2]), c = values[, 3], stringsAsFactors = FALSE)
frame$b[2] <- "n/a"

# call, condition class, text the message holds
refusals <- list(
  list(quote(gaussnet_learn(with_cell(NaN))), "gaussnet_input_error", "case 3, variable X2: not a number (nan)."),
  list(quote(gaussnet_learn(with_cell(NA))), "gaussnet_input_error", "case 3, variable X2: not a number (nan)."),
  list(quote(gaussnet_learn(with_cell(-Inf, 5, 6))), "gaussnet_input_error", "case 5, variable X6: infinite (-inf)."),
  list(quote(gaussnet_learn(with_cell(1e39))), "gaussnet_input_error", "out of the single-precision range"),
  list(quote(gaussnet_learn(matrix(c(1:5, NA, 7:12), 6))), "gaussnet_input_error", "case 6, variable X1: not a number (NA)"),
  list(quote(gaussnet_learn(with_cell(NA, 4, 5) > 0)), "gaussnet_input_error", "case 4, variable X5: not a number (NA)"),
  list(quote(gaussnet_learn(frame)), "gaussnet_input_error", "case 2, variable b: not a number (n/a)"),
  list(quote(gaussnet_learn(data.frame(a = 1:3, f = factor(c("x", "y", "x"))))), "gaussnet_input_error",
       "variable f: not a number"),
  list(quote(gaussnet_learn(matrix(letters, 13))), "gaussnet_input_error", "a character matrix cannot be read"),
  list(quote(gaussnet_learn(values[, 1])), "gaussnet_input_error", "numeric matrix or data frame"),
  list(quote(gaussnet_learn(values[, 1, drop = FALSE])), "gaussnet_input_error", "data: 1 variable(s); at least two"),
  list(quote(gaussnet_learn(values[0, ])), "gaussnet_input_error", "data: no cases."),
  list(quote(gaussnet_learn(`colnames<-`(values, c("a", "b", "a", "c", "d", "e")))), "gaussnet_input_error",
       "'a' is the name of columns 1 and 3"),
  list(quote(gaussnet_learn(values, truth = diag(5))), "gaussnet_input_error", "a 6 x 6 adjacency matrix"),
  list(quote(gaussnet_learn(values, truth = matrix(NA, 6, 6))), "gaussnet_input_error", "NA is neither"),
  list(quote(gaussnet_learn(values, learners = "IAMB3")), "gaussnet_input_error", "unknown learner 'IAMB3'"),
  list(quote(gaussnet_learn(values, learners = "")), "gaussnet_input_error", "unknown learner ''"),
  list(quote(gaussnet_learn(data.frame(a = 1:3, d = as.Date("2024-01-01") + 0:2))), "gaussnet_input_error",
       "case 1, variable d: not a number (2024-01-01); column 'd' is of class Date"),
  list(quote(gaussnet_learn(data.frame(a = 1:3, t = as.POSIXct("2024-01-01", tz = "UTC") + 0:2))),
       "gaussnet_input_error", "case 1, variable t: not a number"),
  list(quote(gaussnet_learn(data.frame(a = 1:3, s = as.difftime(1:3, units = "secs")))), "gaussnet_input_error",
       "case 1, variable s: not a number"),
  list(quote(gaussnet_bootstrap(`[<-`(values, , 3, 1), resamples = 20)), "gaussnet_not_positive_definite",
       "No Cholesky decomposition"),
  list(quote(gaussnet_learn(values, alpha = "0.05")), "gaussnet_input_error", "alpha must be one number"),
  list(quote(gaussnet_learn(values, alpha = 1.5)), "gaussnet_input_error", "alpha: 1.5; give a significance level"),
  list(quote(gaussnet_learn(values, threads = 0)), "gaussnet_input_error", "threads must be a whole number"),
  list(quote(gaussnet_local(values, "Y1", 1)), "gaussnet_input_error", "No variable named \"Y1\"; nothing was learned."),
  list(quote(gaussnet_local(values, 7, 1)), "gaussnet_input_error", "target (a column number)"),
  list(quote(gaussnet_learn(values, correlation = "rank")), "gaussnet_input_error", "correlation must be one of"),
  list(quote(gaussnet_learn(values, missing = "drop")), "gaussnet_input_error", "missing must be one of"),
  list(quote(gaussnet_simulate(5, 10, transform = "log")), "gaussnet_input_error", "transform must be one of"),
  list(quote(gaussnet_simulate(0, 10)), "gaussnet_input_error", "n_vars must be a whole number"),
  list(quote(gaussnet_simulate(5, 10, noise = -1)), "gaussnet_input_error", "noise must be finite and not negative."),
  list(quote(gaussnet_moral(matrix(0, 2, 3))), "gaussnet_input_error", "square adjacency matrix"),
  list(quote(gaussnet_bootstrap(values, resamples = 0)), "gaussnet_input_error", "resamples must be a whole number"),
  list(quote(gaussnet_bootstrap(values, resamples = 2.5)), "gaussnet_input_error", "resamples must be a whole number"),
  list(quote(gaussnet_bootstrap(values, seed = -1)), "gaussnet_input_error", "seed must be a whole number"),
  list(quote(gaussnet_bootstrap(values, seed = 2^60)), "gaussnet_input_error", "seed must be a whole number"),
  list(quote(gaussnet_bootstrap(values, threshold = 0)), "gaussnet_input_error", "threshold must be a share"),
  list(quote(gaussnet_bootstrap(values, threshold = NA)), "gaussnet_input_error", "threshold must be a share"),
  list(quote(gaussnet_bootstrap(values, learner = c("EE", "IAMB2"))), "gaussnet_input_error", "learner must be one"),
  list(quote(gaussnet_bootstrap(values, learner = "EE", target = 1)), "gaussnet_input_error", "learner 'EE' with a target"),
  list(quote(gaussnet_bootstrap(values[1:5, ], learner = "EE", resamples = 2)), "gaussnet_input_error",
       "EE runs only with more cases than variables"),
  list(quote(gaussnet_learn(twin, learners = "IAMB2")), "gaussnet_not_positive_definite",
       "No Cholesky decomposition"),
  list(quote(gaussnet_learn(twin, learners = "EE")), "gaussnet_not_positive_definite", "No Cholesky decomposition"),
  list(quote(gaussnet_learn(values, forbid = list(c("X1", "nope")))), "gaussnet_input_error",
       "forbid, pair 1: no variable named \"nope\"."),
  list(quote(gaussnet_learn(values, require = data.frame(a = "X1", b = "X2"), forbid = matrix(c("X2", "X1"), 1))),
       "gaussnet_input_error", "both forbidden (forbid, pair 1) and required (require, pair 1)"),
  list(quote(gaussnet_learn(values, require = list("X1"))), "gaussnet_input_error", "require, pair 1: two variable names")
)

test_that("bad input is a classed condition with the program's message", {
  for (refusal in refusals) {
    condition <- tryCatch(eval(refusal[[1]]), error = identity)
    label <- deparse(refusal[[1]], width.cutoff = 200L)[1]
    expect_s3_class(condition, c(refusal[[2]], "gaussnet_error"), exact = FALSE)
    expect_true(inherits(condition, refusal[[2]]), label = label)
    expect_true(grepl(refusal[[3]], conditionMessage(condition), fixed = TRUE),
                label = paste(label, "->", conditionMessage(condition)))
  }
})

test_that("a matrix that is not positive definite names the learner and target", {
  iamb <- tryCatch(gaussnet_learn(twin, learners = "IAMB2"), gaussnet_not_positive_definite = identity)
  expect_equal(c(iamb$learner, iamb$target), c("IAMB2", "X1"))
  expect_true(startsWith(conditionMessage(iamb), iamb$program_message))
  ee <- tryCatch(gaussnet_learn(twin, learners = "EE"), gaussnet_not_positive_definite = identity)
  expect_equal(c(ee$learner, ee$target), c("EE", NA))
})

test_that("a bootstrap counts the resamples that fail, goes on and says so", {
  # Seven cases of six variables: EE learns them, but a resample holds about five distinct cases.
  expect_warning(boot <- gaussnet_bootstrap(values[1:7, ], "EE", resamples = 3, threads = 2),
                 "EE bootstrap: all 3 resamples failed", class = "gaussnet_warning")
  expect_equal(list(boot$finished, boot$failed, nrow(boot$strength), any(boot$consensus$adjacency)),
               list(0L, 3L, 0L, FALSE))
})

test_that("complete cases give the results of the data without the others", {
  holes <- values
  holes[cbind(c(3, 10, 50, 199), c(1, 2, 6, 5))] <- c(NA, NaN, NA, NaN)
  kept <- values[-c(3, 10, 50, 199), ]
  integers <- round(holes * 1000)
  storage.mode(integers) <- "integer"
  for (correlation in c("pearson", "spearman", "normal")) {
    expected <- gaussnet_learn(kept, correlation = correlation)
    expect_warning(got <- gaussnet_learn(holes, correlation = correlation, missing = "complete"),
                   "4 cases hold a missing value", class = "gaussnet_warning")
    expect_identical(lapply(got, `[`, c("blankets", "edges", "tests")),
                     lapply(expected, `[`, c("blankets", "edges", "tests")))
  }
  expect_warning(gaussnet_learn(integers, learners = "IAMB2", missing = "complete"), "4 cases",
                 class = "gaussnet_warning")
})

test_that("names, layouts and element types give the same results", {
  reference <- gaussnet_learn(values, truth = small$truth)
  expect_equal(names(reference), c("EE", "IAMB2", "IAMB1"))
  expect_equal(names(reference$IAMB2$blankets), paste0("X", 1:6))
  named <- gaussnet_learn(`names<-`(small$data, c("4", "b c", "é", "X", "y.1", "")), learners = c("iamb2", "EE"),
                          threads = 1)
  expect_equal(names(named), c("EE", "IAMB2"))
  expect_equal(names(named$IAMB2$blankets), c("4", "b c", "é", "X", "y.1", "X6"))
  expect_equal(dimnames(named$EE$adjacency), list(names(named$IAMB2$blankets), names(named$IAMB2$blankets)))
  expect_equal(unname(named$EE$adjacency), unname(reference$EE$adjacency))
  latin1 <- `colnames<-`(values, c(iconv("caf\u00e9", "UTF-8", "latin1"), paste0("X", 2:6)))
  for (target in list(1, colnames(latin1)[1], "caf\u00e9")) {
    expect_true("caf\u00e9" %in% names(gaussnet_local(latin1, target, 1)$blankets))
    expect_equal(gaussnet_bootstrap(latin1, resamples = 2, target = target)$resamples, 2)
  }
  rounded <- round(values * 100)
  expect_equal(gaussnet_learn(`storage.mode<-`(rounded, "integer"))$IAMB1[-7],
               gaussnet_learn(rounded)$IAMB1[-7])
  expect_equal(gaussnet_learn(values > 0)$IAMB1[-7], gaussnet_learn((values > 0) + 0)$IAMB1[-7])
  logical <- gaussnet_learn(values, truth = small$truth == 1)
  expect_equal(lapply(logical, `[`, -7), lapply(reference, `[`, -7))
  expect_equal(names(reference$IAMB2$scores), c("var_tpr", "var_fdr", "var_fdr2", "edge_tpr", "edge_fdr", "edge_fdr2"))
})

test_that("as_igraph holds every variable and each edge's status and strength", {
  skip_if_not_installed("igraph")
  run <- gaussnet_learn(values, learners = "IAMB2", truth = small$truth)$IAMB2
  graph <- as_igraph(run, include_missed = TRUE)
  expect_equal(igraph::V(graph)$name, paste0("X", 1:6))
  expect_equal(igraph::E(graph)$status, run$edges$status)
  expect_equal(igraph::E(graph)$partial_correlation, run$edges$partial_correlation)
})

test_that("the partial correlation matrix is solve()'s and holds EE's edge values", {
  ee <- gaussnet_learn(values, learners = "EE")$EE
  pc <- gaussnet_partial_correlations(values)
  precision <- solve(stats::cov(values))
  expected <- -precision / sqrt(diag(precision) %o% diag(precision))
  diag(expected) <- 1
  expect_equal(unname(pc), unname(expected), tolerance = 1e-9)
  learned <- ee$edges$status != "fn"
  expect_identical(ee$edges$partial_correlation[learned],
                   pc[cbind(ee$edges$source[learned], ee$edges$target[learned])])
  expect_error(gaussnet_partial_correlations(values[1:6, ]), class = "gaussnet_input_error")
})

for (call in c("gaussnet_learn(data, learners = 'IAMB1', threads = 2)",
                "gaussnet_bootstrap(data, 'IAMB1', resamples = 100, threads = 2)"))
test_that(paste("Ctrl-C stops a long run within about a second and leaves R usable:", call), {
  skip_on_os("windows")
  script <- tempfile(fileext = ".R")
  out <- tempfile()
  on.exit(unlink(c(script, out)))
  writeLines(c(
    "library(gaussnet)",
    "data <- gaussnet_simulate(1500, 300, seed = 2)$data",
    sprintf("cat('ready\\n', file = '%s')", out),
    "before <- length(list.files('/proc/self/task'))",
    "start <- Sys.time()",
    sprintf("result <- tryCatch({ %s; 'finished' },", call),
    "  interrupt = function(e) sprintf('interrupted %.2f', as.numeric(Sys.time() - start, units = 'secs')))",
    sprintf("cat(result, '\\n', file = '%s', append = TRUE)", out),
    "tasks <- length(list.files('/proc/self/task')) - before",
    "again <- length(gaussnet_learn(data[, 1:20], learners = 'IAMB2')$IAMB2$blankets)",
    sprintf("cat('threads', tasks, 'again', again, '\\n', file = '%s', append = TRUE)", out)), script)
  rscript <- file.path(R.home("bin"), "Rscript")
  pid <- as.integer(system(sprintf("%s %s >/dev/null 2>&1 & echo $!", shQuote(rscript), shQuote(script)),
                           intern = TRUE))
  deadline <- Sys.time() + 60
  while (!file.exists(out) && Sys.time() < deadline) Sys.sleep(0.1)
  Sys.sleep(1.5)
  sent <- Sys.time()
  tools::pskill(pid, tools::SIGINT)
  while (length(readLines(out, warn = FALSE)) < 3 && Sys.time() < deadline) Sys.sleep(0.05)
  lines <- trimws(readLines(out, warn = FALSE))
  expect_match(lines[2], "^interrupted")
  expect_lt(as.numeric(Sys.time() - sent, units = "secs"), 5)
  expect_equal(lines[3], "threads 0 again 20")
})
