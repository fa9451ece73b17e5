# The package's blankets, edges and rates equal the program's export files and
# results table, on the shipped example and the shared networks.

example <- function(...) file.path(source_dir(), "examples", ...)
shared <- function(...) file.path(shared_data(), ...)

# data file, n_cases, n_vars, folder of net.txt or NA, alpha, exact, local target column (or NA) and radius
cases <- list(
  list(example("data.txt"), 1000, 30, example(), 0.05, 0, NA, 0),
  list(example("data.txt"), 1000, 30, NA, 0.05, 1, NA, 0),
  list(example("data.txt"), 1000, 30, example(), 0.05, 0, 3, 2),
  list(shared("arth150", "data_1000.txt"), 1000, 107, shared("arth150"), 0.05, 0, NA, 0),
  list(shared("ecoli70", "data_1000.txt"), 1000, 46, NA, 0.05, 1, NA, 0),
  list(shared("ecoli70", "data_1000.txt"), 1000, 46, shared("ecoli70"), 0.05, 1, 6, 2),
  list(shared("magic-niab", "data_1000.txt"), 1000, 44, shared("magic-niab"), 0.01, 0, NA, 0),
  list(shared("sachs", "data_7466.txt"), 7466, 11, shared("sachs"), 0.05, 1, NA, 0)
)

edge_rows <- function(run) {
  separated <- ifelse(is.na(run$edges$separated), "", as.character(as.integer(run$edges$separated)))
  unname(cbind(run$edges$source, run$edges$target, run$edges$status, separated))
}

blanket_rows <- function(run) {
  owners <- rep(names(run$blankets), lengths(run$blankets))
  unname(cbind(owners, unlist(run$blankets, use.names = FALSE)))
}

table_fields <- function(run) {
  rates <- if (is.null(run$scores)) rep("", 6) else sprintf("%.9g", run$scores)
  c(format(run$tests, scientific = FALSE), as.character(sum(run$adjacency) %/% 2), rates)
}

for (case in cases) {
  names(case) <- c("data", "n_cases", "n_vars", "net", "alpha", "exact", "target", "radius")
  label <- sprintf("%s, alpha %g, exact %d, %s, %s", basename(dirname(case$data)), case$alpha, case$exact,
                   if (is.na(case$net)) "no truth" else "truth",
                   if (is.na(case$target)) "all learners" else paste("local", case$target, case$radius))
  test_that(paste("the package equals the program:", label), {
    require_file(case$data)
    data <- read_data_file(case$data, case$n_cases, case$n_vars)
    truth <- if (is.na(case$net)) NULL else net_file_cells(file.path(case$net, "net.txt"), case$n_vars)
    dir <- tempfile("gaussnet-")
    dir.create(dir)
    on.exit(unlink(dir, recursive = TRUE))
    args <- c("--export", "out", "--table", "table.csv", case$data, case$n_cases, case$n_vars,
              as.integer(!is.null(truth)), case$alpha, case$exact)
    if (is.na(case$target)) {
      runs <- gaussnet_learn(data, alpha = case$alpha, exact = case$exact == 1, truth = truth, threads = 2)
    } else {
      args <- c(args, names(data)[case$target], case$radius)
      runs <- list(local = gaussnet_local(data, names(data)[case$target], case$radius, alpha = case$alpha,
                                         exact = case$exact == 1, truth = truth))
    }
    run_program(args, dir, net = if (is.null(truth)) NULL else file.path(case$net, "net.txt"))
    table <- csv_rows(file.path(dir, "table.csv"))
    expect_equal(names(runs), table[, 7])
    for (r in seq_along(runs)) {
      run <- runs[[r]]
      out <- file.path(dir, "out", run$learner)
      file_edges <- csv_rows(paste0(out, ".edges.csv"))
      expect_equal(edge_rows(run), file_edges[, 1:4, drop = FALSE], info = run$learner)
      evidence <- suppressWarnings(matrix(as.numeric(file_edges[, 5:6]), ncol = 2))
      expect_equal(unname(cbind(run$edges$partial_correlation, run$edges$p_value)), evidence, tolerance = 1e-15,
                   info = run$learner)
      if (run$learner != "EE")
        expect_equal(blanket_rows(run), csv_rows(paste0(out, ".blankets.csv")), info = run$learner)
      if (run$learner == "local") {  # each variable's ring, as the nodes file's last column
        nodes <- csv_rows(paste0(out, ".nodes.csv"))
        expect_equal(unname(cbind(names(run$rings), as.character(run$rings))), unname(nodes[, c(1, 4)]))
      }
      # (the bootstrap's columns follow, empty for a run's own row)
      expect_equal(table_fields(run), table[r, 12:19], info = run$learner)
    }
  })
}

test_that("simulate gives gaussnet-sim's values and network; the moral graph has the program's edge count", {
  sim <- program("GAUSSNET_SIM_BIN", "gaussnet-sim")
  dir <- tempfile("gaussnet-sim-")
  on.exit(unlink(dir, recursive = TRUE))
  status <- system2(sim, c("--vars", 25, "--cases", 300, "--parents", 3.5, "--weights", "0.2:0.9", "--seed", 11,
                           shQuote(dir)), stdout = FALSE, stderr = FALSE)
  expect_equal(status, 0)
  made <- gaussnet_simulate(25, 300, parents = 3.5, weights = c(0.2, 0.9), seed = 11)
  written <- read_data_file(file.path(dir, "data.txt"), 300, 25)
  expect_equal(names(made$data), names(written))
  # The file holds the shortest decimals of single-precision values: rounded to
  # single precision (through writeBin) they are those values again.
  single <- function(x) readBin(writeBin(as.vector(x), raw(), size = 4), "double", n = length(x), size = 4)
  expect_identical(as.vector(as.matrix(made$data)), single(as.matrix(written)))
  expect_equal(unname(made$truth), net_file_cells(file.path(dir, "net.txt"), 25))
  banner <- run_program(c(file.path(dir, "data.txt"), 300, 25, 1, 0.05, 0), dir)
  moral <- gaussnet_moral(made$truth)
  expect_true(isSymmetric(moral))
  expect_true(any(grepl(sprintf("n_edges= %d", sum(moral) %/% 2), banner, fixed = TRUE)))
})

# learner, folder of net.txt or NA, local target column (or NA) and radius, threads; the shipped example
bootstraps <- list(list("IAMB2", example(), NA, 0, 1), list("IAMB1", NA, NA, 0, 2), list("EE", example(), NA, 0, 2),
                   list("IAMB2", example(), 5, 2, 2))

for (case in bootstraps) {
  names(case) <- c("learner", "net", "target", "radius", "threads")
  label <- sprintf("%s, %s, %s, %d threads", case$learner, if (is.na(case$net)) "no truth" else "truth",
                   if (is.na(case$target)) "comparison" else "local", case$threads)
  test_that(paste("the bootstrap equals the program's:", label), {
    data <- read_data_file(require_file(example("data.txt")), 1000, 30)
    truth <- if (is.na(case$net)) NULL else net_file_cells(file.path(case$net, "net.txt"), 30)
    dir <- tempfile("gaussnet-")
    dir.create(dir)
    on.exit(unlink(dir, recursive = TRUE))
    args <- c("--bootstrap", 12, "--seed", 5, "--threshold", 0.6, "--export", "out", "--table", "table.csv",
              example("data.txt"), 1000, 30, as.integer(!is.null(truth)), 0.05, 0)
    target <- if (is.na(case$target)) NULL else names(data)[case$target]
    args <- if (is.null(target)) c("--learners", case$learner, args) else c(args, target, case$radius)
    boot <- gaussnet_bootstrap(data, case$learner, resamples = 12, seed = 5, threshold = 0.6, truth = truth,
                               threads = case$threads, target = target, radius = case$radius)
    run_program(args, dir, net = if (is.null(truth)) NULL else file.path(case$net, "net.txt"))
    out <- file.path(dir, "out", if (is.null(target)) case$learner else "local")
    strength <- utils::read.csv(paste0(out, ".strength.csv"), colClasses = "character", na.strings = character(0))
    expect_equal(names(strength), names(boot$strength))
    # The file's frequencies are the shortest texts that read back as the same doubles.
    strength$frequency <- as.numeric(strength$frequency)
    expected <- boot$strength
    expected[c("finished", "failed")] <- lapply(expected[c("finished", "failed")], as.character)
    expect_identical(strength, expected)
    expect_equal(edge_rows(boot$consensus), csv_rows(paste0(out, ".consensus.edges.csv")))
    table <- csv_rows(file.path(dir, "table.csv"))
    row <- table[nrow(table), ]
    expect_equal(c(row[7], row[20:25]),
               c(boot$consensus$learner, "12", "0.6", "5", "pearson", as.character(c(boot$finished, boot$failed))))
    expect_equal(table_fields(boot$consensus), row[12:19])
    expect_equal(boot$finished + boot$failed, 12)
  })
}
