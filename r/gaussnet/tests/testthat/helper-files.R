# Where the tests find the programs and the data, and the program's own
# reading of a data file (names as its reader splits them).

source_dir <- function() {
  dir <- Sys.getenv("GAUSSNET_SOURCE_DIR")
  if (nzchar(dir)) dir else normalizePath(file.path(testthat::test_path(), "..", "..", "..", ".."), mustWork = FALSE)
}

shared_data <- function() {
  dir <- Sys.getenv("GAUSSNET_SHARED_DATA")
  if (nzchar(dir)) dir else file.path(dirname(source_dir()), "shared", "data")
}

program <- function(variable, name) {
  path <- Sys.getenv(variable)
  if (!nzchar(path)) path <- file.path(source_dir(), "build", name)
  if (!file.exists(path)) testthat::skip(paste("not built:", path))
  path
}

require_file <- function(path) {
  if (!file.exists(path)) testthat::skip(paste("not present:", path))
  path
}

read_data_file <- function(path, n_cases, n_vars) {
  header <- readLines(path, n = 1, warn = FALSE)
  header <- sub("^\ufeff", "", header)
  names <- strsplit(trimws(header, whitespace = "[ ,\t\r\n]"), "[ ,\t\r\n]+")[[1]][seq_len(n_vars)]
  names <- sub('^"(.*)"$', "\\1", names)
  values <- scan(path, what = double(), skip = 1, nmax = n_cases * n_vars, sep = "", quiet = TRUE)
  data <- as.data.frame(matrix(values, n_cases, n_vars, byrow = TRUE))
  names(data) <- names
  data
}

net_file_cells <- function(path, n_vars) {
  lines <- readLines(path, n = n_vars, warn = FALSE)
  t(vapply(lines, function(line) as.integer(strsplit(substr(line, 1, n_vars), "")[[1]] %in% as.character(1:9)),
           integer(n_vars), USE.NAMES = FALSE))
}

run_program <- function(args, dir, net = NULL) {
  if (!is.null(net)) file.copy(net, file.path(dir, "net.txt"), overwrite = TRUE)
  out <- withr_dir(dir, system2(program("GAUSSNET_BIN", "gaussnet"), shQuote(args), stdout = TRUE, stderr = TRUE))
  status <- attr(out, "status")
  testthat::expect(is.null(status) || status == 0, paste(out, collapse = "\n"))
  out
}

withr_dir <- function(dir, code) {
  old <- setwd(dir)
  on.exit(setwd(old))
  code
}

# A CSV file's rows below its header, as a character matrix.
csv_rows <- function(path) {
  unname(as.matrix(utils::read.csv(path, colClasses = "character", check.names = FALSE, na.strings = character(0))))
}
