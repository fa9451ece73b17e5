# summary() and as.data.frame() for what the calls return: a run, the named
# list of a comparison's runs, and a bootstrap. A summary is a data frame with
# one row a run, the columns of the program's results table where they apply,
# so that summaries of many calls bind with rbind().

run_row <- function(run) {
  scores <- if (is.null(run$scores)) stats::setNames(rep(NA_real_, length(score_names)), score_names) else run$scores
  cbind(data.frame(learner = run$learner, n_vars = length(run$names), learned_edges = sum(run$adjacency) %/% 2,
                   tests = run$tests, seconds = run$seconds, stringsAsFactors = FALSE),
        as.data.frame(as.list(scores)))
}

summary.gaussnet_run <- function(object, ...) run_row(object)

summary.gaussnet_runs <- function(object, ...) {
  rows <- do.call(rbind, lapply(unclass(object), run_row))
  rownames(rows) <- NULL
  rows
}

summary.gaussnet_bootstrap <- function(object, ...) {
  row <- run_row(object$consensus)
  row$tests <- object$tests
  row$seconds <- object$seconds
  cbind(row, data.frame(bootstrap = object$resamples, threshold = object$threshold, seed = object$seed,
                        finished = object$finished, failed = object$failed))
}

# A run's rows are its edges, as the export's RUN.edges.csv holds them.
as.data.frame.gaussnet_run <- function(x, row.names = NULL, optional = FALSE, ...) x$edges

# The comparison's edges in one table, each row with its learner.
as.data.frame.gaussnet_runs <- function(x, row.names = NULL, optional = FALSE, ...) {
  tables <- lapply(unclass(x), function(run) cbind(learner = rep(run$learner, nrow(run$edges)), run$edges,
                                                   stringsAsFactors = FALSE))
  rows <- do.call(rbind, tables)
  rownames(rows) <- NULL
  rows
}

# A bootstrap's rows are its strength table, as RUN.strength.csv holds it.
as.data.frame.gaussnet_bootstrap <- function(x, row.names = NULL, optional = FALSE, ...) x$strength

print.gaussnet_runs <- function(x, ...) {
  for (run in unclass(x)) print(run)
  invisible(x)
}

# The consensus network, each edge weighted by its frequency.
as_igraph.gaussnet_bootstrap <- function(x, include_missed = FALSE, ...) as_igraph(x$consensus, include_missed, ...)
