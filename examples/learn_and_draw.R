library(gaussnet)
sim <- gaussnet_simulate(50, 1000, seed = 7)  # 50 variables, 1,000 cases, and the true network
runs <- gaussnet_learn(sim$data, learners = c("IAMB2", "EE"), truth = sim$truth)
print(round(t(sapply(runs, `[[`, "scores")), 3))  # the six rates per learner
graph <- as_igraph(runs$IAMB2, include_missed = TRUE)  # IAMB2's graph: found (grey), false (red) and missed (dashed blue) edges
style <- list(colour = c(tp = "grey40", fp = "red", fn = "steelblue"), line = c(tp = 1, fp = 1, fn = 2))
out <- commandArgs(TRUE)
png(if (length(out) > 0) out[1] else "learned_vs_true.png", width = 1200, height = 1200, res = 120)
plot(graph, layout = igraph::layout_in_circle(graph), vertex.size = 6, vertex.label.cex = 0.6, vertex.color = "lightsteelblue",
     edge.color = style$colour[igraph::E(graph)$status], edge.lty = style$line[igraph::E(graph)$status], edge.width = 1.4)
legend("topleft", legend = names(style$colour), col = style$colour, lty = style$line, title = "IAMB2 vs. truth")
invisible(dev.off())
