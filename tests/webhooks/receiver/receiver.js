// A webhook receiver for the tests. It verifies every delivery with the standardwebhooks
// package and prints one JSON line per delivery on standard output:
//   {"path", "id", "timestamp", "verified", "error", "body", "answer"}
// Commands, one per line on standard input:
//   secret PATH SECRET   deliveries to PATH are verified with SECRET ("whsec_...")
//   answer ANSWER        how the next deliveries are answered: 200, slow (200 after 10 ms),
//                        500, timeout (never),
//                        close (the connection, at once), redirect (302), huge (200 and an
//                        endless body of 3 GB claimed), partial (200, then the connection
//                        closes mid-body)
// The first line printed is "listening PORT".
"use strict";

const http = require("http");
const readline = require("readline");
const { Webhook } = require("standardwebhooks");

const secrets = new Map();
let answer = "200";
const held = [];

function respond(request, response, mode) {
  switch (mode) {
    case "500":
      response.writeHead(500, { "Content-Type": "text/plain" });
      response.end("receiver failing on purpose");
      return;
    case "slow":
      setTimeout(() => response.writeHead(200).end("ok"), 10);
      return;
    case "timeout":
      held.push(response);
      return;
    case "close":
      request.socket.destroy();
      return;
    case "redirect":
      response.writeHead(302, { Location: "http://127.0.0.1:1/elsewhere" });
      response.end("moved");
      return;
    case "huge": {
      response.writeHead(200, { "Content-Length": String(3 * 1024 * 1024 * 1024) });
      const chunk = Buffer.alloc(64 * 1024, "x");
      const pump = () => {
        while (!response.destroyed && response.write(chunk)) {}
        if (!response.destroyed) {
          response.once("drain", pump);
        }
      };
      response.on("close", () => response.removeAllListeners("drain"));
      pump();
      return;
    }
    case "partial":
      response.writeHead(200, { "Content-Length": "1000" });
      response.write("only part");
      setTimeout(() => request.socket.destroy(), 50);
      return;
    default:
      response.writeHead(200, { "Content-Type": "text/plain" });
      response.end("ok");
  }
}

const server = http.createServer((request, response) => {
  const chunks = [];
  request.on("data", (chunk) => chunks.push(chunk));
  request.on("end", () => {
    const body = Buffer.concat(chunks).toString("utf8");
    const secret = secrets.get(request.url) || secrets.get("*");
    const line = {
      path: request.url,
      id: request.headers["webhook-id"] || "",
      timestamp: request.headers["webhook-timestamp"] || "",
      verified: false,
      error: "",
      body,
      answer,
    };
    try {
      if (!secret) {
        throw new Error("no secret for " + request.url);
      }
      new Webhook(secret).verify(body, request.headers);
      line.verified = true;
    } catch (error) {
      line.error = String(error.message || error);
    }
    process.stdout.write(JSON.stringify(line) + "\n");
    respond(request, response, answer);
  });
});

readline.createInterface({ input: process.stdin }).on("line", (text) => {
  const words = text.trim().split(/\s+/);
  if (words[0] === "secret" && words.length === 3) {
    secrets.set(words[1], words[2]);
  } else if (words[0] === "answer" && words.length === 2) {
    answer = words[1];
  }
  process.stdout.write(JSON.stringify({ command: text.trim() }) + "\n");
});
process.stdin.on("end", () => process.exit(0));

server.listen(0, "127.0.0.1", () => {
  process.stdout.write("listening " + server.address().port + "\n");
});
