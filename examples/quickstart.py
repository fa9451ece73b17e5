import gaussnet
data, truth = gaussnet.simulate(30, 1000, seed=7)  # 30 variables, 1,000 cases, and the network that made them
runs = gaussnet.learn(data, truth=truth)  # EE, IAMB2 and IAMB1, scored against the truth
for run in runs:
    print(f"{run.learner}: edge tpr {run.scores['edge_tpr']:.2f}, fdr {run.scores['edge_fdr']:.2f}")
print(runs["IAMB2"].edges.head())  # source, target, status (tp/fp/fn), partial_correlation, p_value
boot = gaussnet.bootstrap(data, "IAMB2", resamples=50, seed=1, truth=truth)
print(boot.strength.head())  # each pair's share of the resamples that learned it, the most stable first
