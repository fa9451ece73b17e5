# The progress line goes to the console's message stream when asked for (at
# once here, rather than after two seconds), is cleared at the end, and stays
# silent when turned off.

console_of <- function(progress) {
  sim <- gaussnet_simulate(40, 400, seed = 3)
  file <- tempfile()
  con <- file(file, open = "wt")
  old <- options(gaussnet.progress_quiet = 0)
  sink(con, type = "message")
  tryCatch(gaussnet_bootstrap(sim$data, resamples = 200, threads = 2, progress = progress), finally = {
    sink(type = "message")
    close(con)
    options(old)
  })
  rawToChar(readBin(file, "raw", file.size(file)))
}

test_that("progress shows on the console when asked for, and never when not", {
  shown <- console_of(TRUE)
  expect_match(shown, "^\rIAMB2 bootstrap: [0-9]+/200 resamples")
  expect_match(shown, " \r$")
  expect_identical(console_of(FALSE), "")
  expect_error(gaussnet_learn(gaussnet_simulate(5, 50)$data, progress = "yes"), "progress must be TRUE or FALSE")
})
