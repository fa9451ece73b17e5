library(gaussnet)
sim <- gaussnet_simulate(30, 1000, seed = 7)  # 30 variables, 1,000 cases, and the network that made them
runs <- gaussnet_learn(sim$data, truth = sim$truth)  # EE, IAMB2 and IAMB1, scored against the truth
for (run in runs) cat(sprintf("%s: edge tpr %.2f, fdr %.2f\n", run$learner, run$scores["edge_tpr"], run$scores["edge_fdr"]))
print(head(runs$IAMB2$edges))  # source, target, status (tp/fp/fn), partial_correlation, p_value
boot <- gaussnet_bootstrap(sim$data, "IAMB2", resamples = 50, seed = 1, truth = sim$truth)
print(head(boot$strength))  # each pair's share of the resamples that learned it, the most stable first
