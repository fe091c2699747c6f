// Talks to the local bridge once, as the companion extension would, and says
// what happened on the console, where the check reads it. The ping's answer
// travels inside the posted reading's plan, so the app's state file proves
// that the worker could read it.
const bridge = "http://127.0.0.1:47615";
const granted = (chrome.runtime.getManifest().host_permissions || []).length > 0;
// Without host access the post must never land; its number tells it apart.
const sessionPct = granted ? 42.3 : 13;

function say(text) {
  console.log(`quotalume-check ${granted ? "hosts" : "nohosts"} ${text}`);
}

async function ping() {
  try {
    const answer = await fetch(`${bridge}/ping`);
    const body = await answer.json();
    say(`ping ${answer.status} ${body.app} ${body.version}`);
    return `ping ${answer.status} ${body.version}`;
  } catch (error) {
    say(`ping failed ${error}`);
    return "ping failed";
  }
}

async function post(plan) {
  const now = Date.now();
  const reading = {
    v: 1,
    status: "ok",
    plan,
    fetched_at: now,
    windows: [
      { key: "session", pct: sessionPct, resets_at: now + 130 * 60000 },
      { key: "weekly", pct: 18, resets_at: now + 3 * 86400000 },
    ],
  };
  try {
    const answer = await fetch(`${bridge}/usage`, {
      method: "POST",
      headers: { "Content-Type": "application/json", "X-Quotalume": "1" },
      body: JSON.stringify(reading),
    });
    say(`post ${answer.status}`);
  } catch (error) {
    say(`post failed ${error}`);
  }
}

ping().then(post);
