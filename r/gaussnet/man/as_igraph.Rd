\name{as_igraph}
\alias{as_igraph}
\alias{as_igraph.gaussnet_run}
\title{A learned graph as an igraph graph}
\description{
Converts a run of \code{\link{gaussnet_learn}} or \code{\link{gaussnet_local}}
into an undirected \pkg{igraph} graph (the igraph package must be installed).
}
\usage{
as_igraph(x, ...)
\method{as_igraph}{gaussnet_run}(x, ...)
}
\arguments{
  \item{x}{a run (class \code{gaussnet_run}).}
  \item{...}{unused.}
}
\value{
An undirected igraph graph with every variable a vertex (isolated ones
too) and every row of \code{x$edges} an edge with the attributes
\code{status} and \code{separated}; with a true network the missed edges are
there too, with status \code{"fn"}. The graph attribute \code{learner} names
the run.
}
\examples{
if (requireNamespace("igraph", quietly = TRUE)) {
  sim <- gaussnet_simulate(15, 400, seed = 5)
  run <- gaussnet_learn(sim$data, learners = "IAMB2", truth = sim$truth, threads = 1)$IAMB2
  graph <- as_igraph(run)
  table(igraph::E(graph)$status)
}
}
