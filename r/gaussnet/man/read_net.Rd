\name{read_net}
\alias{read_net}
\title{Read a true network file}
\description{
Reads a true network file as the gaussnet program reads net.txt: one line per
variable, in the data's column order, of one character per variable with
nothing between them; a digit 1 to 9 is an arc from the line's variable (the
parent) to the column's.
}
\usage{
read_net(path, names)
}
\arguments{
  \item{path}{the file.}
  \item{names}{the variables' names in the data's order, a data frame or
    matrix whose column names they are, or their number.}
}
\value{
An integer p x p adjacency matrix (row = parent) of 0 and 1 with the names as
dimnames, ready as the \code{truth} of \code{\link{gaussnet_learn}}. A file
that cannot be opened or ends before its p lines are complete is an error of
class \code{gaussnet_input_error} naming it; a layout that misreads
(separators between the cells, a header row) draws a warning.
}
\examples{
sim <- gaussnet_simulate(6, 200, seed = 2)
path <- tempfile()
writeLines(apply(sim$truth, 1, paste, collapse = ""), path)
truth <- read_net(path, sim$data)
gaussnet_learn(sim$data, learners = "IAMB2", truth = truth, threads = 1)$IAMB2
}
