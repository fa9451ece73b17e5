
score_names <- c("var_tpr", "var_fdr", "var_fdr2", "edge_tpr", "edge_fdr", "edge_fdr2")

# One run's result from the library's plain values.
run_of <- function(raw, names) {
  learned <- raw$status != "fn"
  adjacency <- matrix(FALSE, length(names), length(names), dimnames = list(names, names))
  adjacency[cbind(raw$source[learned], raw$target[learned])] <- TRUE
  adjacency[cbind(raw$target[learned], raw$source[learned])] <- TRUE
  blankets <- lapply(raw$blankets, function(members) names[members])
  names(blankets) <- names
  edges <- data.frame(source = names[raw$source], target = names[raw$target], status = raw$status,
                      separated = raw$separated, partial_correlation = raw$partial_correlation,
                      p_value = raw$p_value, stringsAsFactors = FALSE)
  scores <- if (is.null(raw$scores)) NULL else stats::setNames(raw$scores, score_names)
  rings <- if (length(raw$rings) == 0) NULL else stats::setNames(raw$rings, names)
  structure(class = "gaussnet_run",
            list(learner = raw$learner, names = names, blankets = blankets, edges = edges, adjacency = adjacency,
                 tests = raw$tests, seconds = raw$seconds, scores = scores, rings = rings))
}

gaussnet_learn <- function(data, alpha = 0.05, learners = .gaussnet_vocabulary()$learners, exact = FALSE, truth = NULL,
                           threads = NULL, correlation = "pearson", missing = "error", forbid = NULL,
                           require = NULL, progress = interactive()) {
  correlation <- correlation_of(correlation)
  missing <- missing_of(missing)
  input <- data_of(data, missing)
  warn_index_column(input)
  runs <- learners_of(learners)
  truth <- truth_of(truth, input$names)
  raw <- checked(.gaussnet_learn(input$values, input$names, truth, runs, alpha_of(alpha), flag_of(exact, "exact"),
                                 correlation, missing, threads_of(threads), pairs_of(forbid, "forbid"),
                                 pairs_of(require, "require"), progress_of(progress)), input$names)
  result <- lapply(raw, run_of, names = input$names)
  names(result) <- vapply(result, `[[`, "", "learner")
  structure(result, class = c("gaussnet_runs", "list"))
}

gaussnet_local <- function(data, target, radius, alpha = 0.05, exact = FALSE, truth = NULL, threads = NULL,
                           correlation = "pearson", missing = "error", forbid = NULL, require = NULL,
                           progress = interactive()) {
  correlation <- correlation_of(correlation)
  missing <- missing_of(missing)
  input <- data_of(data, missing)
  warn_index_column(input)
  target <- target_of(target, input$names)
  radius <- radius_of(radius)
  truth <- truth_of(truth, input$names)
  raw <- checked(.gaussnet_local(input$values, input$names, truth, enc2utf8(target), radius, alpha_of(alpha),
                                 flag_of(exact, "exact"), correlation, missing, threads_of(threads),
                                 pairs_of(forbid, "forbid"), pairs_of(require, "require"), progress_of(progress)),
                 input$names)
  run_of(raw, input$names)
}

gaussnet_bootstrap <- function(data, learner = "IAMB2", resamples = 200, seed = 1, threshold = 0.5, alpha = 0.05,
                               exact = FALSE, truth = NULL, threads = NULL, target = NULL, radius = 1,
                               correlation = "pearson", missing = "error", forbid = NULL, require = NULL,
                               progress = interactive()) {
  correlation <- correlation_of(correlation)
  missing <- missing_of(missing)
  input <- data_of(data, missing)
  warn_index_column(input)
  run <- if (is.character(learner) && length(learner) == 1) learners_of(learner) else character(0)
  if (length(run) != 1)
    input_error(sprintf("learner must be one of %s", paste0("\"", .gaussnet_vocabulary()$learners, "\"", collapse = ", ")))
  resamples <- as.integer(whole_of(resamples, "resamples", 1, .gaussnet_vocabulary()$max_resamples))
  seed <- whole_of(seed, "seed", 0, 2^53)
  if (!is.numeric(threshold) || length(threshold) != 1 || is.na(threshold) || threshold <= 0 || threshold > 1)
    input_error("threshold must be a share of the resamples above 0 and at most 1")
  local <- !is.null(target)
  local_learner <- .gaussnet_vocabulary()$local_learner
  if (local && run != local_learner)
    input_error(sprintf("learner '%s' with a target: the local run learns with %s", run, local_learner))
  if (local) {
    target <- target_of(target, input$names)
    radius <- radius_of(radius)
  }
  truth <- truth_of(truth, input$names)
  raw <- checked(.gaussnet_bootstrap(input$values, input$names, truth, run, local, if (local) enc2utf8(target) else "",
                                     if (local) radius else 1L, resamples, as.double(seed), as.double(threshold),
                                     alpha_of(alpha), flag_of(exact, "exact"), correlation, missing,
                                     threads_of(threads), pairs_of(forbid, "forbid"), pairs_of(require, "require"),
                                     progress_of(progress)), input$names)
  strength <- data.frame(source = input$names[raw$source], target = input$names[raw$target],
                         frequency = raw$frequency, stringsAsFactors = FALSE)
  if (!is.null(raw$status)) strength$status <- raw$status
  strength$finished <- rep(raw$finished, nrow(strength))
  strength$failed <- rep(raw$failed, nrow(strength))
  consensus <- run_of(raw$consensus, input$names)
  # The consensus edges weigh their frequency.
  consensus$weights <- raw$frequency[match(paste(raw$consensus$source, raw$consensus$target),
                                           paste(raw$source, raw$target))]
  structure(class = "gaussnet_bootstrap",
            list(strength = strength, consensus = consensus, finished = raw$finished,
                 failed = raw$failed, tests = raw$tests, seconds = raw$seconds, resamples = resamples, seed = seed,
                 threshold = as.double(threshold)))
}

gaussnet_simulate <- function(n_vars, n_cases, parents = 2, weights = c(0.5, 1), noise = 1, seed = 1,
                              transform = "none") {
  transform <- choice_of(transform, "transform", c("none", "exp", "cube", "logistic", "mix"))
  whole_of(n_vars, "n_vars", 1, .Machine$integer.max)
  whole_of(n_cases, "n_cases", 0, 2^53)
  whole_of(seed, "seed", 0, 2^53)
  if (!is.numeric(weights) || length(weights) != 2) input_error("weights must be two numbers, c(lo, hi)")
  for (value in list(parents, noise))
    if (!is.numeric(value) || length(value) != 1) input_error("parents and noise must be numbers")
  raw <- checked(.gaussnet_simulate(as.integer(n_vars), as.double(n_cases), as.double(parents),
                                    as.double(weights[1]), as.double(weights[2]), as.double(noise), as.double(seed),
                                    transform))
  data <- raw$columns
  names(data) <- raw$names
  truth <- raw$arcs
  dimnames(truth) <- list(raw$names, raw$names)
  list(data = as.data.frame(data, optional = TRUE), truth = truth)
}

gaussnet_moral <- function(dag) {
  if (!is.matrix(dag) || nrow(dag) != ncol(dag))
    input_error("dag must be a square adjacency matrix (row = parent)")
  moral <- checked(.gaussnet_moral(truth_of(dag, NULL, "dag")))
  dimnames(moral) <- dimnames(dag)
  moral
}

gaussnet_partial_correlations <- function(data, threads = NULL, correlation = "pearson", missing = "error") {
  correlation <- correlation_of(correlation)
  missing <- missing_of(missing)
  input <- data_of(data, missing)
  raw <- checked(.gaussnet_partial_correlations(input$values, input$names, threads_of(threads), correlation, missing),
                 input$names)
  values <- raw$values
  dimnames(values) <- list(input$names, input$names)
  values
}

gaussnet_version <- function() .gaussnet_version()


print.gaussnet_run <- function(x, ...) {
  scores <- if (is.null(x$scores)) "" else
    paste0(", ", paste(sprintf("%s=%.3f", names(x$scores), x$scores), collapse = ", "))
  cat(sprintf("gaussnet %s run: %d variables, %d edges, %.0f tests, %.3f s%s\n", x$learner, length(x$names),
              sum(x$adjacency) %/% 2, x$tests, x$seconds, scores))
  invisible(x)
}

print.gaussnet_bootstrap <- function(x, ...) {
  cat(sprintf("gaussnet %s: %d resamples, %d failed, %.3f s, %d edges >= %s\n", x$consensus$learner, x$resamples,
              x$failed, x$seconds, sum(x$consensus$adjacency) %/% 2, as.character(x$threshold)))
  invisible(x)
}

as_igraph <- function(x, ...) UseMethod("as_igraph")

as_igraph.gaussnet_run <- function(x, include_missed = FALSE, ...) {
  if (!requireNamespace("igraph", quietly = TRUE))
    stop(gaussnet_condition("gaussnet_error", "as_igraph() needs the igraph package", sys.call()))
  vertices <- data.frame(name = x$names, blanket_size = lengths(x$blankets), degree = rowSums(x$adjacency),
                         stringsAsFactors = FALSE)
  edges <- x$edges
  if (!is.null(x$weights)) edges$weight <- x$weights
  if (!isTRUE(include_missed)) edges <- edges[edges$status != "fn", , drop = FALSE]
  graph <- igraph::graph_from_data_frame(edges, directed = FALSE, vertices = vertices)
  igraph::graph_attr(graph, "learner") <- x$learner
  graph
}

# A run's values as the library hands them out, variables by their index.
report_run_of <- function(run) {
  edges <- run$edges
  list(learner = run$learner, blankets = lapply(run$blankets, function(members) match(members, run$names)),
       source = match(edges$source, run$names), target = match(edges$target, run$names), status = edges$status,
       separated = as.logical(edges$separated), partial_correlation = as.double(edges$partial_correlation),
       p_value = as.double(edges$p_value), tests = as.double(run$tests), seconds = run$seconds, scores = run$scores)
}

report_bootstrap_of <- function(boot) {
  names <- boot$consensus$names
  list(source = match(boot$strength$source, names), target = match(boot$strength$target, names),
       frequency = boot$strength$frequency, status = boot$strength$status, finished = boot$finished,
       failed = boot$failed, tests = as.double(boot$tests), seconds = boot$seconds,
       resamples = as.integer(boot$resamples), seed = as.double(boot$seed), threshold = boot$threshold)
}

gaussnet_report <- function(path, results, settings = NULL) {
  if (inherits(results, c("gaussnet_run", "gaussnet_bootstrap"))) results <- list(results)
  # gaussnet_learn()'s list may come in whole, beside bootstraps.
  results <- do.call(c, lapply(results, function(r) if (inherits(r, c("gaussnet_run", "gaussnet_bootstrap"))) list(r) else r))
  if (length(results) == 0 || !all(vapply(results, inherits, TRUE, c("gaussnet_run", "gaussnet_bootstrap"))))
    input_error("results must be runs and bootstraps from gaussnet_learn(), gaussnet_local() or gaussnet_bootstrap()")
  names_of <- function(r) if (inherits(r, "gaussnet_run")) r$names else r$consensus$names
  names <- names_of(results[[1]])
  if (!all(vapply(results, function(r) identical(names_of(r), names), TRUE)))
    input_error("results of different variables cannot share one report")
  runs <- Filter(function(r) inherits(r, "gaussnet_run"), results)
  entries <- lapply(runs, function(run) list(run = report_run_of(run), bootstrap = NULL))
  learners <- vapply(runs, `[[`, "", "learner")
  for (boot in Filter(function(r) inherits(r, "gaussnet_bootstrap"), results)) {
    learner <- sub(" bootstrap$", "", boot$consensus$learner)
    at <- which(learners == learner & vapply(entries, function(e) is.null(e$bootstrap), TRUE))
    if (length(at) == 0) {
      entries[[length(entries) + 1]] <- list(run = report_run_of(boot$consensus), bootstrap = NULL)
      learners <- c(learners, boot$consensus$learner)
      at <- length(entries)
    }
    entries[[at[1]]]$bootstrap <- report_bootstrap_of(boot)
  }
  keys <- c("variables", names(settings))
  values <- c(as.character(length(names)), vapply(settings, function(v) paste(format(v), collapse = " "), ""))
  checked(.gaussnet_report(path.expand(path), enc2utf8(names), enc2utf8(keys), enc2utf8(values), unname(entries)))
  invisible(path)
}
