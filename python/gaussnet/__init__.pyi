import os
from typing import Any, Iterable, Literal, Mapping, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

__version__: str

Learner = Literal["EE", "IAMB2", "IAMB1", "ee", "iamb2", "iamb1"]
DataLike = Union[npt.ArrayLike, "pandas.DataFrame"]
Correlation = Literal["pearson", "spearman", "kendall"]
Missing = Literal["error", "complete"]
Transform = Literal["none", "exp", "cube", "logistic", "mix"]
MatrixLike = Union[npt.ArrayLike, "pandas.DataFrame"]
TruthLike = Union[npt.ArrayLike, "pandas.DataFrame", str, os.PathLike[str]]

SCORE_NAMES: tuple[str, ...]
LEARNERS: tuple[str, ...]

class NotPositiveDefinite(ArithmeticError):
    message: str
    learner: str
    target: Optional[str]

class GaussnetWarning(UserWarning): ...

class Run:
    learner: str
    names: list[str]
    blankets: dict[str, list[str]]
    edges: Any  # pandas.DataFrame (source, target, status, separated, partial_correlation, p_value), or a numpy structured array
    adjacency: npt.NDArray[np.bool_]
    tests: int
    seconds: float
    scores: Optional[dict[str, float]]
    def to_networkx(self, include_missed: bool = False) -> Any: ...  # networkx.Graph

def learn(
    data: DataLike,
    alpha: float = 0.05,
    learners: Union[str, Iterable[Learner]] = ("EE", "IAMB2", "IAMB1"),
    exact: bool = False,
    truth: Optional[TruthLike] = None,
    threads: Optional[int] = None,
    correlation: Correlation = "pearson",
    missing: Missing = "error",
) -> list[Run]: ...
def local(
    data: DataLike,
    target: Union[str, int],
    radius: int,
    alpha: float = 0.05,
    exact: bool = False,
    truth: Optional[TruthLike] = None,
    threads: Optional[int] = None,
    correlation: Correlation = "pearson",
    missing: Missing = "error",
) -> Run: ...
class Bootstrap:
    strength: Any  # pandas.DataFrame (source, target, frequency[, status], finished, failed), or a numpy structured array
    consensus: Run
    finished: int
    failed: int
    resamples: int
    seed: int
    threshold: float
    tests: int
    seconds: float

def bootstrap(
    data: DataLike,
    learner: Learner = "IAMB2",
    resamples: int = 200,
    seed: int = 1,
    threshold: float = 0.5,
    alpha: float = 0.05,
    exact: bool = False,
    truth: Optional[TruthLike] = None,
    threads: Optional[int] = None,
    target: Optional[Union[str, int]] = None,
    radius: int = 1,
    correlation: Correlation = "pearson",
    missing: Missing = "error",
) -> Bootstrap: ...
def simulate(
    n_vars: int,
    n_cases: int,
    parents: float = 2,
    weights: Sequence[float] = (0.5, 1),
    noise: float = 1,
    seed: int = 1,
    transform: Transform = "none",
) -> tuple[Any, npt.NDArray[np.uint8]]: ...
def partial_correlations(data: DataLike, threads: Optional[int] = None) -> Any: ...  # pandas.DataFrame or numpy array
def moral_graph(dag: MatrixLike) -> npt.NDArray[np.bool_]: ...
def read_net(path: Union[str, os.PathLike[str]], names: Union[Sequence[str], "pandas.DataFrame", int]) -> Any: ...
def report(
    path: Union[str, os.PathLike[str]],
    results: Union[Run, Bootstrap, Sequence[Union[Run, Bootstrap]]],
    settings: Optional[Mapping[str, Any]] = ...,
) -> None: ...
