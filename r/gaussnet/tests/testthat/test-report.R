# gaussnet_report() writes the page the program's --report writes: the same
# runs, edges, evidence and bootstrap frequencies in its data.

page_runs <- function(path) {
  text <- paste(readLines(path, warn = FALSE, encoding = "UTF-8"), collapse = "\n")
  runs <- regmatches(text, regexpr("\"runs\":.*?</script>", text))
  gsub("\"seconds\":[^,}]*", "\"seconds\":0", runs)
}

test_that("the report holds what the program's report holds", {
  if (!.gaussnet_report_available()) skip("built without the graph-drawing library")
  data <- read_data_file(require_file(file.path(source_dir(), "examples", "data.txt")), 1000, 30)
  net <- file.path(source_dir(), "examples", "net.txt")
  truth <- net_file_cells(net, 30)
  dir <- tempfile("gaussnet-")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  runs <- gaussnet_learn(data, learners = "IAMB2", truth = truth)
  boot <- gaussnet_bootstrap(data, "IAMB2", resamples = 8, seed = 3, threshold = 0.6, truth = truth)
  gaussnet_report(file.path(dir, "mine.html"), c(runs, list(boot)), settings = list(data = "example"))
  run_program(c("--learners", "IAMB2", "--bootstrap", 8, "--seed", 3, "--threshold", 0.6, "--report", "program.html",
                file.path(source_dir(), "examples", "data.txt"), 1000, 30, 1, 0.05, 0), dir, net = net)
  expect_identical(page_runs(file.path(dir, "mine.html")), page_runs(file.path(dir, "program.html")))
  expect_error(gaussnet_report(file.path(dir, "none.html"), list()), class = "gaussnet_input_error")
  expect_error(gaussnet_report(file.path(dir, "missing", "r.html"), runs), class = "gaussnet_error")
})
