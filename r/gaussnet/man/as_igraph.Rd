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
\method{as_igraph}{gaussnet_run}(x, include_missed = FALSE, ...)
}
\arguments{
  \item{x}{a run (class \code{gaussnet_run}).}
  \item{include_missed}{with a true network, add the missed edges (status
    \code{"fn"}) too; they are not part of the learned graph, so degrees then
    count them.}
  \item{...}{unused.}
}
\value{
An undirected igraph graph of the learned edges: every variable a vertex
(isolated ones too) with the attributes \code{name}, \code{blanket_size} (the
blanket as learned; for EE its neighbours) and \code{degree} (in the learned
graph); every learned row of \code{x$edges} an edge with the attributes
\code{status} and \code{separated}, and in a bootstrap's consensus network
\code{weight}, the edge's frequency. The graph attribute \code{learner} names
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
