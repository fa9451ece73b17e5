# Checking and converting the caller's input; every refusal is a condition of
# class gaussnet_input_error.

gaussnet_condition <- function(kind, message, call = NULL, ...) {
  structure(class = c(kind, "gaussnet_error", "error", "condition"),
            list(message = message, call = call, ...))
}

input_error <- function(message, call = sys.call(-1)) {
  stop(gaussnet_condition("gaussnet_input_error", message, call))
}

# The failure a library call returned, as a condition; else the value, with
# its diagnostics given as warnings of class gaussnet_warning.
checked <- function(value, names = NULL, call = sys.call(-1)) {
  for (line in attr(value, "diagnostics")) {
    warning(structure(class = c("gaussnet_warning", "warning", "condition"),
                      list(message = line, call = call)))
  }
  attr(value, "diagnostics") <- NULL
  if (!inherits(value, "gaussnet_failure")) return(value)
  switch(value$kind,
    not_positive_definite = {
      target <- if (value$target >= 1) names[[value$target]] else NA_character_
      where <- if (is.na(target)) value$learner else paste0(value$learner, ", target ", target)
      stop(gaussnet_condition("gaussnet_not_positive_definite", paste0(value$message, " (", where, ")"), call,
                              program_message = value$message, learner = value$learner, target = target))
    },
    input = stop(gaussnet_condition("gaussnet_input_error", value$message, call)),
    memory = stop(gaussnet_condition("gaussnet_memory_error", value$message, call)),
    stop(gaussnet_condition("gaussnet_error", value$message, call)))
}

# Names of a matrix's or data frame's columns: their own, or X1 ... Xn.
names_of <- function(data) {
  names <- colnames(data)
  if (is.null(names)) return(paste0("X", seq_len(ncol(data))))
  # The library compares names as UTF-8, as it is given a target.
  names <- enc2utf8(as.character(names))
  names[is.na(names) | names == ""] <- paste0("X", which(is.na(names) | names == ""))
  repeated <- which(duplicated(names))
  if (length(repeated) > 0) {
    first <- match(names[repeated[1]], names)
    input_error(sprintf("column names must differ: '%s' is the name of columns %d and %d",
                        names[repeated[1]], first, repeated[1]), call = NULL)
  }
  names
}

# The first value of a column that is not a number (its row), for the message:
# the first of a character column that does not read as one, else the first
# (a factor, a list, a Date, a time or a time difference).
not_a_number <- function(column, name) {
  row <- 1L
  if (is.character(column)) {
    bad <- which(is.na(suppressWarnings(as.numeric(column))))
    row <- if (length(bad) > 0) bad[1] else 1L
  }
  value <- if (length(column) > 0) format(column[[row]]) else ""
  input_error(sprintf("case %d, variable %s: not a number (%s); column '%s' is of class %s", row, name, value,
                      name, class(column)[1]), call = NULL)
}

# An integer or logical vector or matrix without NA (R's integer NA is a valid number to
# the library): the NA's case and variable, as the library names a NaN.
check_integer_na <- function(values, names) {
  missing <- which(is.na(values), arr.ind = TRUE)
  if (length(missing) == 0) return(invisible())
  where <- if (is.matrix(missing)) missing[1, ] else c(missing[1], 1L)
  input_error(sprintf("case %d, variable %s: not a number (NA).", where[1], names[where[2]]), call = NULL)
}

# The data as a double, integer or logical matrix the library reads in place
# (a logical is stored as an integer), with its variables' names. A matrix is
# not copied.
data_of <- function(data, missing = "error") {
  if (is.data.frame(data)) {
    names <- names_of(data)
    for (j in seq_along(data)) {
      column <- data[[j]]
      if (!(is.numeric(column) || is.logical(column)) || is.factor(column)) not_a_number(column, names[j])
    }
    matrix <- if (ncol(data) == 0) matrix(numeric(0), nrow(data), 0) else as.matrix(data)
  } else if (is.matrix(data)) {
    if (!(is.numeric(data) || is.logical(data)))
      input_error(sprintf("data: a %s matrix cannot be read; give real numbers", typeof(data)), call = NULL)
    names <- names_of(data)
    matrix <- data
  } else {
    input_error("data must be a numeric matrix or data frame (cases x variables)", call = NULL)
  }
  if ((is.integer(matrix) || is.logical(matrix)) && anyNA(matrix)) {
    # A missing value reaches the library as a NaN, which an integer cannot hold.
    if (missing == "complete") storage.mode(matrix) <- "double" else check_integer_na(matrix, names)
  }
  # Read in place: only its dim attribute is looked at (dropping the others would copy it).
  list(values = matrix, names = names)
}

# The true network as a double, integer or logical p x p matrix (row = parent)
# in the data's order: one with dimnames aligned to the data's names, one
# without taken by position, a path read as a net.txt file.
truth_of <- function(truth, names, what = "truth") {
  if (is.null(truth)) return(NULL)
  n_vars <- if (is.null(names)) NULL else length(names)
  if (is.character(truth) && length(truth) == 1 && !is.null(names)) truth <- read_net(truth, names)
  if (is.data.frame(truth)) truth <- as.matrix(truth)
  if (!is.matrix(truth) || !(is.numeric(truth) || is.logical(truth)))
    input_error(sprintf("%s must be a numeric or logical adjacency matrix (row = parent)", what), call = NULL)
  if (!is.null(n_vars) && !identical(dim(truth), c(n_vars, n_vars)))
    input_error(sprintf("%s must be a %d x %d adjacency matrix (row = parent), not %d x %d", what, n_vars, n_vars,
                        nrow(truth), ncol(truth)), call = NULL)
  if (anyNA(truth)) input_error(sprintf("%s: NA is neither an arc nor none", what), call = NULL)
  if (is.null(names) || (is.null(rownames(truth)) && is.null(colnames(truth)))) return(truth)
  order <- checked(.gaussnet_truth_order(names, as.character(rownames(truth)), as.character(colnames(truth))),
                   call = NULL)
  truth[order$rows, order$columns, drop = FALSE]
}

# A warning when the first column looks like a file's row index left in as a variable.
warn_index_column <- function(input) {
  if (ncol(input$values) < 1) return(invisible())
  first <- .gaussnet_index_column(input$values, input$names)
  if (first < 0) return(invisible())
  warning(structure(class = c("gaussnet_warning", "warning", "condition"), list(
    message = sprintf(paste0("column '%s' holds the case numbers %d to %d, as a row index does, and is learned as ",
                             "a variable; read the file with row.names = 1 (read.csv) or drop the column"),
                      input$names[1], first, nrow(input$values) - 1 + first),
    call = sys.call(-1))))
}

read_net <- function(path, names) {
  if (is.data.frame(names) || is.matrix(names)) names <- names_of(names)
  else if (is.numeric(names) && length(names) == 1) names <- paste0("X", seq_len(whole_of(names, "names", 0, 2^31 - 1)))
  if (!is.character(names) || anyNA(names)) input_error("names must be the variables' names, a data frame or a count")
  if (!is.character(path) || length(path) != 1 || is.na(path)) input_error("path must be one file name")
  arcs <- checked(.gaussnet_read_net(path.expand(path), length(names)))
  dimnames(arcs) <- list(names, names)
  arcs
}

learners_of <- function(learners) {
  known <- .gaussnet_vocabulary()$learners
  if (!is.character(learners) || length(learners) == 0 || anyNA(learners))
    input_error(sprintf("learners: some of %s", paste0("\"", known, "\"", collapse = ", ")), call = NULL)
  names <- toupper(trimws(unlist(strsplit(learners, ",", fixed = TRUE))))
  # "" splits into nothing; it names no learner, as an empty name among others does not.
  if (length(names) == 0) names <- ""
  unknown <- setdiff(names, known)
  if (length(unknown) > 0)
    input_error(sprintf("unknown learner '%s'; the learners are %s and %s", unknown[1],
                        paste(known[-length(known)], collapse = ", "), known[length(known)]), call = NULL)
  names
}

alpha_of <- function(alpha) {
  if (!is.numeric(alpha) || length(alpha) != 1 || is.na(alpha))
    input_error("alpha must be one number", call = NULL)
  as.double(alpha)
}

choice_of <- function(value, what, choices) {
  if (!is.character(value) || length(value) != 1 || is.na(value) || !(tolower(value) %in% choices))
    input_error(sprintf("%s must be one of %s", what, paste0("\"", choices, "\"", collapse = ", ")), call = NULL)
  tolower(value)
}

correlation_of <- function(correlation) choice_of(correlation, "correlation", .gaussnet_vocabulary()$correlations)
missing_of <- function(missing) choice_of(missing, "missing", .gaussnet_vocabulary()$missing)

flag_of <- function(value, what) {
  if (!is.logical(value) || length(value) != 1 || is.na(value))
    input_error(sprintf("%s must be TRUE or FALSE", what), call = NULL)
  value
}

whole_of <- function(value, what, lower, upper) {
  if (!is.numeric(value) || length(value) != 1 || is.na(value) || value != round(value) || value < lower ||
      value > upper)
    input_error(sprintf("%s must be a whole number from %s to %s", what, format(lower), format(upper)), call = NULL)
  value
}

# How long a learner runs before its progress shows on the console, in
# seconds; -1: it never shows.
progress_of <- function(progress) {
  if (flag_of(progress, "progress")) getOption("gaussnet.progress_quiet", 2) else -1
}

threads_of <- function(threads) {
  if (is.null(threads)) return(0L)
  as.integer(whole_of(threads, "threads", 1, .gaussnet_vocabulary()$max_threads))
}

# A local run's target: a variable's name, or a column number made its name.
target_of <- function(target, names) {
  if (is.numeric(target) && length(target) == 1 && !is.na(target))
    target <- names[whole_of(target, "target (a column number)", 1, length(names))]
  if (!is.character(target) || length(target) != 1 || is.na(target))
    input_error("target must be a variable's name or column number", call = NULL)
  target
}

# Pairs of variable names, as one character vector first, second, first, ...:
# NULL, a two-column data frame or matrix, or a list of pairs of names.
pairs_of <- function(pairs, what) {
  if (is.null(pairs)) return(character(0))
  if (is.data.frame(pairs) || is.matrix(pairs)) {
    if (ncol(pairs) != 2) input_error(sprintf("%s must have two columns of variable names, not %d", what, ncol(pairs)))
    pairs <- lapply(seq_len(nrow(pairs)), function(i) c(as.character(pairs[i, 1]), as.character(pairs[i, 2])))
  }
  if (!is.list(pairs)) input_error(sprintf("%s must be a data frame, a matrix or a list of pairs of variable names", what))
  for (i in seq_along(pairs)) {
    pair <- pairs[[i]]
    if (!is.character(pair) || length(pair) != 2 || anyNA(pair))
      input_error(sprintf("%s, pair %d: two variable names expected", what, i))
  }
  enc2utf8(as.character(unlist(pairs, use.names = FALSE)))
}

radius_of <- function(radius) as.integer(whole_of(radius, "radius", -.Machine$integer.max, .Machine$integer.max))
