\name{gaussnet_bootstrap}
\alias{gaussnet_bootstrap}
\alias{print.gaussnet_bootstrap}
\title{Edge confidence: how often each edge is learned over bootstrap resamples}
\description{
Learns again with one learner on \code{resamples} resamples of the cases,
each as many cases as the data drawn with replacement, and counts for every
pair of variables the share of the finished resamples that learned it; the
pairs at or above \code{threshold} form the consensus network. Resample i is
drawn from a random stream of its own derived from (seed, i), so the results
are the same for every thread count and equal the \code{gaussnet} program's
\code{--bootstrap B --seed S --threshold T} on the same values (its
\code{RUN.strength.csv} and \code{RUN.consensus.*} files).
}
\usage{
gaussnet_bootstrap(data, learner = "IAMB2", resamples = 200, seed = 1,
                   threshold = 0.5, alpha = 0.05, exact = FALSE, truth = NULL,
                   threads = NULL, target = NULL, radius = 1,
                   correlation = "pearson", missing = "error", forbid = NULL,
                   require = NULL, progress = interactive())
}
\arguments{
  \item{data, alpha, exact, truth, threads, correlation, missing, forbid, require}{as for
    \code{\link{gaussnet_learn}}; the data are rounded to single precision
    as there, and with a rank-based correlation each resample is ranked
    anew.}
  \item{progress}{as for \code{\link{gaussnet_learn}}: the resamples done
    and the time left.}
  \item{learner}{the run resampled: one of \code{"IAMB2"}, \code{"IAMB1"},
    \code{"EE"} (any case). EE needs more cases than variables.}
  \item{resamples}{how many resamples, a whole number from 1 to 100000000.}
  \item{seed}{the resamples' seed, a whole number from 0 to 2^53 (the
    program takes any 64-bit seed; R's numbers hold whole numbers exactly
    up to 2^53).}
  \item{threshold}{the share of the resamples, above 0 and at most 1, from
    which a pair is in the consensus network.}
  \item{target, radius}{with a target (a name or column number), the local
    run around it (IAMB2, \code{radius} rings, as \code{\link{gaussnet_local}}
    learns it) is resampled instead.}
}
\value{
A list of class \code{gaussnet_bootstrap}:
  \item{strength}{a data frame with the rows and columns of the program's
    \code{RUN.strength.csv}: \code{source}, \code{target}, \code{frequency},
    with a true network \code{status} (the consensus network against the
    truth: \code{"tp"}, \code{"fp"}, \code{"fn"}, or \code{""} for a false
    pair below the threshold), \code{finished} and \code{failed}; the most
    frequent pairs first, then in variable order, and with a true network the
    true pairs never learned last, at frequency 0.}
  \item{consensus}{the consensus network as a run (class
    \code{gaussnet_run}, see \code{\link{gaussnet_learn}}), learner
    \code{"IAMB2 bootstrap"}: blankets its neighbours, edges and (with a true
    network) scores as the program's consensus files and table row have them.}
  \item{finished, failed}{resamples learned, and those whose covariance
    matrix was not positive definite (not an error: the frequencies are over
    the finished ones).}
  \item{tests}{independence tests over all resamples.}
  \item{seconds}{the bootstrap's wall-clock time, to the millisecond.}
  \item{resamples, seed, threshold}{as asked for.}
\code{summary()} gives the consensus network's row as for a run (tests and
seconds over all resamples) with \code{bootstrap}, \code{threshold},
\code{seed}, \code{finished} and \code{failed}; \code{as.data.frame()} the
strength table; \code{as_igraph()} the consensus network, each edge weighted
by its frequency.
}
\section{Conditions}{
As for \code{\link{gaussnet_learn}}: bad input, including a bad
\code{resamples}, \code{seed}, \code{threshold} or \code{learner} (the
message names it), is a \code{gaussnet_input_error}; a user interrupt
(Ctrl-C) stops the bootstrap within about a second, with no thread left
running.
}
\seealso{\code{\link{gaussnet_learn}}, \code{\link{as_igraph}}.}
\examples{
sim <- gaussnet_simulate(15, 300, seed = 7)
boot <- gaussnet_bootstrap(sim$data, resamples = 20, truth = sim$truth, threads = 1)
boot
head(boot$strength)
boot$consensus$scores
}
