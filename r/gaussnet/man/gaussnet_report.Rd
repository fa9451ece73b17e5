\name{gaussnet_report}
\alias{gaussnet_report}
\title{Runs as one self-contained interactive HTML page}
\description{
Writes what \code{gaussnet_learn}, \code{gaussnet_local} and
\code{gaussnet_bootstrap} returned as the page the program's
\code{--report} writes: each network drawn force-directed, searchable by
name; a click on a variable shows its blanket and neighbours with their
partial correlations and p-values; edges coloured by sign and as wide as
their strength; with a truth the found, false and missed edges; with a
bootstrap a frequency slider that redraws the consensus network; a sortable
table of the edges with a CSV download. The graph-drawing library and the
data are inside the file, which opens in any browser, offline. A view can be
linked to through the address's hash, as in
\code{report.html#run=IAMB2&search=raf&frequency=0.8}.
}
\usage{gaussnet_report(path, results, settings = NULL)}
\arguments{
  \item{path}{the file to write (\code{.html}); it appears complete or not
    at all.}
  \item{results}{a run, a bootstrap, or a list of them (the list
    \code{gaussnet_learn} returns may come in whole). A bootstrap goes with
    the run of its learner; one without such a run is shown as its
    consensus network.}
  \item{settings}{an optional named list shown in the page's header, in
    order (say, \code{list(data = "cells.csv", alpha = 0.05)}).}
}
\value{\code{path}, invisibly. An error of class \code{gaussnet_error} when
the file cannot be written or the package was built without the report.}
\examples{
sim <- gaussnet_simulate(20, 300, seed = 7)
runs <- gaussnet_learn(sim$data, truth = sim$truth, learners = "IAMB2")
boot <- gaussnet_bootstrap(sim$data, resamples = 10, truth = sim$truth)
path <- file.path(tempdir(), "network.html")
try(gaussnet_report(path, c(runs, list(boot))))
}
