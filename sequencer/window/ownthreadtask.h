#pragma once

#include <QFuture>
#include <QFutureInterface>

#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>

/// Runs function(arguments...) on a thread of its own and returns its
/// future, as QtConcurrent::run does on a pool. The function and its
/// arguments reach the thread by its creation, which the thread sanitizer
/// sees; a pool hands a job to one of its threads through Qt's own locks,
/// which it cannot see into. For the occasional background task of a
/// command (a file written or read), not for a stream of jobs.
template<typename Function, typename... Arguments>
QFuture<std::invoke_result_t<Function, Arguments...>> runOnOwnThread(Function function,
                                                                     Arguments... arguments)
{
    using Result = std::invoke_result_t<Function, Arguments...>;
    QFutureInterface<Result> promise;
    promise.reportStarted();
    QFuture<Result> future = promise.future();
    std::thread([promise, function = std::move(function),
                 arguments = std::make_tuple(std::move(arguments)...)]() mutable {
        promise.reportResult(std::apply(function, std::move(arguments)));
        promise.reportFinished();
    }).detach();
    return future;
}
